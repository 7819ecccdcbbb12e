// The alert boxes as a sink of the room feed: each alert is one modal box.
#pragma once

#include <memory>
#include <utility>

#include "AlertPresenter.h"
#include "FeedSink.h"

class AlertBoxSink : public FeedSink {
 public:
  explicit AlertBoxSink(std::unique_ptr<AlertPresenter> presenter) : presenter_(std::move(presenter)) {}

  bool Alert(const QString& text) override { return presenter_->ShowAlert(text) == AlertPresenter::Closed::AllWaiting; }
  AlertPresenter& Presenter() { return *presenter_; }

 private:
  std::unique_ptr<AlertPresenter> presenter_;
};
