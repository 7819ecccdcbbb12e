#include "mdlTray.h"

#include <QPointer>
#include <QSystemTrayIcon>
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
  trayIcon->setContextMenu(menu);
  QObject::connect(trayIcon, &QSystemTrayIcon::activated, trayIcon,
                   [onDoubleClick = std::move(onDoubleClick)](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::DoubleClick) onDoubleClick();
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

bool TrayIconShown() { return !TrayIconData.isNull() && TrayIconData->isVisible(); }

}  // namespace mdlTray
