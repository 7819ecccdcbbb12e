// Alerts as modal boxes titled "Alert", in front of every window, with one
// OK button; closing one with its close box dismisses those waiting behind
// it too, so that no one has to press OK a thousand times. The text is shown as plain text in a read-only view that
// wraps it, breaking a word too long for a line, and scrolls when it does not fit: a box never grows past the screen's
// available area, however long the message.
#pragma once

#include <QIcon>

#include "AlertPresenter.h"

class MessageBoxAlerts : public AlertPresenter {
 public:
  Closed ShowAlert(const QString& text) override;
  // A plain message box with one OK button and no icon.
  void ShowAbout(const QString& text) override;

 private:
  // The icon the style gives the OK button, kept from the first box. The
  // style makes a new icon for every button box, and Qt's pixmap cache keeps
  // each one drawn: with a new one per alert, a watch grew by about 1.5 KB
  // with every alert until that cache's 10 MiB limit, some 10,000 alerts on.
  QIcon okIcon_;
};
