// Shows the program's modal boxes: word-list alerts and the About box.
// Showing returns when the user has dismissed the box.
#pragma once

#include <QString>

class AlertPresenter {
 public:
  virtual ~AlertPresenter() = default;
  virtual void ShowAlert(const QString& text) = 0;
  // A box titled "About" with the one-line credit text.
  virtual void ShowAbout(const QString& text) = 0;
};
