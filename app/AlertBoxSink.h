// The alert boxes as a sink of the room feed: each alert is one modal box.
#pragma once

#include <memory>
#include <utility>

#include "AlertPresenter.h"
#include "FeedSink.h"
#include "WordList.h"

class AlertBoxSink : public FeedSink {
 public:
  explicit AlertBoxSink(std::unique_ptr<AlertPresenter> presenter) : presenter_(std::move(presenter)) {}

  // Off, alerts reach the user only in the other ways chosen.
  void SetShown(bool shown) { shown_ = shown; }

  bool Alert(const AlertValue& alert) override {
    if (!shown_) return false;
    const QString text = alert.notice.isEmpty() ? AlertText(alert.sender, alert.text) : alert.notice;
    return presenter_->ShowAlert(text) == AlertPresenter::Closed::AllWaiting;
  }
  AlertPresenter& Presenter() { return *presenter_; }

 private:
  std::unique_ptr<AlertPresenter> presenter_;
  bool shown_ = true;
};
