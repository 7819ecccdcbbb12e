// Shows word-list alerts. Showing returns when the user has dismissed the alert.
#pragma once

#include <QString>

class AlertPresenter {
 public:
  virtual ~AlertPresenter() = default;
  virtual void ShowAlert(const QString& text) = 0;
};
