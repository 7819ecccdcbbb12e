// Alerts as modal message boxes titled "Alert", in front of every window.
#pragma once

#include "AlertPresenter.h"

class MessageBoxAlerts : public AlertPresenter {
 public:
  void ShowAlert(const QString& text) override;
};
