#include "mdlTray.h"

#include <QCursor>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <utility>

namespace mdlTray {
namespace {
QPointer<QSystemTrayIcon> TrayIconData;
}

bool AddTrayIcon(QWidget& window, const QIcon& icon, const QString& tip, QMenu* menu,
                 std::function<void()> onDoubleClick) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  RemoveTrayIcon();
  auto* trayIcon = new QSystemTrayIcon(icon, &window);
  trayIcon->setToolTip(tip);
  QObject::connect(trayIcon, &QSystemTrayIcon::activated, trayIcon,
                   [menu = QPointer<QMenu>(menu),
                    onDoubleClick = std::move(onDoubleClick)](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::DoubleClick) onDoubleClick();
                     // Opened once the button press is over: a menu opened inside the
                     // press would take the release as a click on the item under the
                     // pointer.
                     if (reason == QSystemTrayIcon::Context && menu) {
                       QTimer::singleShot(0, menu, [menu] { menu->popup(QCursor::pos()); });
                     }
                   });
  trayIcon->show();
  TrayIconData = trayIcon;
  return true;
}

void RemoveTrayIcon() {
  if (TrayIconData.isNull()) return;
  // The icon may be the sender of the double click being handled.
  TrayIconData->hide();
  TrayIconData->deleteLater();
  TrayIconData = nullptr;
}

void SetTrayTip(const QString& tip) {
  if (!TrayIconData.isNull()) TrayIconData->setToolTip(tip);
}

bool TrayIconShown() { return !TrayIconData.isNull() && TrayIconData->isVisible(); }

}  // namespace mdlTray
