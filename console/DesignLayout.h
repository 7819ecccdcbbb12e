// A layout that keeps a window as designed and gives it room to grow: at the
// design size every widget sits at the rectangle it had when added; room the
// window gains moves some widgets right or down and widens or heightens
// others, each as told when added. The window is not made smaller than its
// design.
#pragma once

#include <QLayout>
#include <QList>
#include <QRect>
#include <QSize>

class DesignLayout : public QLayout {
 public:
  // What a widget does with the room the window gains; flags combine.
  enum Follow { Stay = 0, MoveRight = 1, Widen = 2, MoveDown = 4, Heighten = 8 };

  DesignLayout(QWidget* parent, QSize design);
  ~DesignLayout() override;
  DesignLayout(const DesignLayout&) = delete;
  DesignLayout& operator=(const DesignLayout&) = delete;

  // The widget's geometry now is its design rectangle.
  void Add(QWidget* widget, int follow);

  void addItem(QLayoutItem* item) override;
  [[nodiscard]] QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  [[nodiscard]] int count() const override { return static_cast<int>(items_.size()); }
  [[nodiscard]] QSize sizeHint() const override { return design_; }
  [[nodiscard]] QSize minimumSize() const override { return design_; }
  void setGeometry(const QRect& rect) override;

 private:
  struct Item {
    QLayoutItem* item;
    QRect design;
    int follow;
  };
  QSize design_;
  QList<Item> items_;
};
