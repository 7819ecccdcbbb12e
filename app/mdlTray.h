// The main window's icon in the system tray.
//
// One icon at most: AddTrayIcon shows it with its tip, opens the pop-up menu
// at the pointer on a right click and reports a double click on it;
// RemoveTrayIcon takes it away. The icon is a child of the window it was
// added for, so it never outlives that window.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QString>
#include <QWidget>
#include <functional>

namespace mdlTray {

// False, with no icon added, when the desktop has no system tray.
bool AddTrayIcon(QWidget& window, const QIcon& icon, const QString& tip, QMenu* menu,
                 std::function<void()> onDoubleClick);
void RemoveTrayIcon();
// Changes the shown icon's tip; nothing without an icon.
void SetTrayTip(const QString& tip);
bool TrayIconShown();

}  // namespace mdlTray
