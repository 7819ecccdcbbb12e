// Shows the program's modal boxes: word-list alerts and the About box.
// Showing returns when the user has dismissed the box.
#pragma once

#include <QString>

class AlertPresenter {
 public:
  // How the user dismissed an alert: with OK, or with the box's close box,
  // which dismisses the alerts waiting behind it too.
  enum class Closed { One, AllWaiting };

  virtual ~AlertPresenter() = default;
  virtual Closed ShowAlert(const QString& text) = 0;
  // A box titled "About" with the one-line credit text.
  virtual void ShowAbout(const QString& text) = 0;
};
