#include "MessageBoxAlerts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The widest a line of text may run before it wraps, as a share of the
// screen's width, as message boxes commonly do.
constexpr double kTextShareOfScreen = 0.5;

QRect AvailableArea() {
  const QWidget* active = QApplication::activeWindow();
  const QScreen* screen = active != nullptr ? active->screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

// The size the text takes when laid out no wider than maxWidth.
QSize TextSize(const QString& text, const QFont& font, int maxWidth) {
  QTextDocument document;
  document.setDefaultFont(font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document.setDefaultTextOption(option);
  document.setDocumentMargin(0);
  document.setPlainText(text);
  document.setTextWidth(maxWidth);
  const int width = std::min(static_cast<int>(document.idealWidth()) + 1, maxWidth);
  document.setTextWidth(width);
  return {width, static_cast<int>(document.size().height()) + 1};
}

// Notes whether the box it watches was closed with its close box.
class ClosedWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) seen = true;
    return QObject::eventFilter(watched, event);
  }
  bool seen = false;
};

}  // namespace

AlertPresenter::Closed MessageBoxAlerts::ShowAlert(const QString& text) {
  QDialog box;
  box.setObjectName(QStringLiteral("Alert"));
  box.setWindowTitle(QStringLiteral("Alert"));
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

  auto* view = new QPlainTextEdit(&box);
  view->setObjectName(QStringLiteral("text"));
  view->setReadOnly(true);
  view->setFrameShape(QFrame::NoFrame);
  view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  view->setPlainText(text);
  // The box is sized to the text below; a scroll area's own minimum would
  // leave a short alert with a blank band under its line.
  view->setMinimumSize(1, 1);
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  view->setPalette(palette);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setDefault(true);
  if (okIcon_.isNull()) {
    okIcon_ = ok->icon();
  } else {
    ok->setIcon(okIcon_);
  }
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(view);
  layout->addWidget(buttons);

  // The box may use the available area less a window frame the platform may
  // draw around it; inside, everything but the text takes the layout's
  // margins and spacing, the button row, the view's own margins and room
  // for a scroll bar.
  const QRect area = AvailableArea();
  const int frame = 2 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const QSize room = area.size() - QSize(frame, frame);
  const QMargins margins = layout->contentsMargins();
  const int viewMargins = 2 * static_cast<int>(view->document()->documentMargin()) + 2 * view->frameWidth();
  const QSize chrome(
      margins.left() + margins.right() + viewMargins + box.style()->pixelMetric(QStyle::PM_ScrollBarExtent),
      margins.top() + margins.bottom() + layout->spacing() + buttons->sizeHint().height() + viewMargins);

  const int widest =
      std::max(1, std::min(static_cast<int>(area.width() * kTextShareOfScreen), room.width() - chrome.width()));
  const QSize textSize = TextSize(text, view->font(), widest);
  const QSize size =
      (QSize(std::max(textSize.width(), buttons->sizeHint().width()), textSize.height()) + chrome).boundedTo(room);
  box.resize(size);
  box.move(area.center() - QPoint(size.width() / 2, size.height() / 2));

  ok->setFocus();
  // Escape rejects the box too, but only the close box sends it a close event.
  ClosedWatcher closed;
  box.installEventFilter(&closed);
  box.exec();
  return closed.seen ? Closed::AllWaiting : Closed::One;
}

void MessageBoxAlerts::ShowAbout(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About"), text, QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
