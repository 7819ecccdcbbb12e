#include "DesignLayout.h"

#include <QWidget>
#include <QWidgetItem>
#include <algorithm>

DesignLayout::DesignLayout(QWidget* parent, QSize design) : QLayout(parent), design_(design) {
  setContentsMargins(0, 0, 0, 0);
}

DesignLayout::~DesignLayout() {
  for (const Item& item : items_) delete item.item;
}

void DesignLayout::Add(QWidget* widget, int follow) {
  addChildWidget(widget);
  items_.append({new QWidgetItem(widget), widget->geometry(), follow});
  invalidate();
}

void DesignLayout::addItem(QLayoutItem* item) { items_.append({item, item->geometry(), Stay}); }

QLayoutItem* DesignLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_[index].item : nullptr;
}

QLayoutItem* DesignLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  return items_.takeAt(index).item;
}

void DesignLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const int wider = std::max(0, rect.width() - design_.width());
  const int taller = std::max(0, rect.height() - design_.height());
  for (const Item& item : items_) {
    QRect place = item.design.translated(rect.topLeft());
    if ((item.follow & MoveRight) != 0) place.translate(wider, 0);
    if ((item.follow & Widen) != 0) place.setWidth(place.width() + wider);
    if ((item.follow & MoveDown) != 0) place.translate(0, taller);
    if ((item.follow & Heighten) != 0) place.setHeight(place.height() + taller);
    // Placed as drawn: a widget item would hold a box to its size hint.
    if (QWidget* widget = item.item->widget()) {
      widget->setGeometry(place);
    } else {
      item.item->setGeometry(place);
    }
  }
}
