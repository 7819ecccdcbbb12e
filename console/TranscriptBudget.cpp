#include "TranscriptBudget.h"

TranscriptBudget::TranscriptBudget(std::size_t maxLines, std::size_t maxBytes)
    : maxLines_(maxLines), maxBytes_(maxBytes) {
  Restart(0);
}

void TranscriptBudget::Restart(std::size_t bytes) {
  lines_.assign(1, bytes);
  bytes_ = bytes;
}

std::size_t TranscriptBudget::Add(std::size_t bytes) {
  lines_.push_back(bytes);
  bytes_ += bytes;
  if (lines_.size() <= maxLines_ && bytes_ <= maxBytes_) return 0;
  // Past a bound, a hundredth more goes with it: dropping lines one at a time
  // would cost the view a relayout for every line added.
  const std::size_t keepLines = maxLines_ - maxLines_ / 100;
  const std::size_t keepBytes = maxBytes_ - maxBytes_ / 100;
  std::size_t dropped = 0;
  while (lines_.size() > 1 && (lines_.size() > keepLines || bytes_ > keepBytes)) {
    bytes_ -= lines_.front();
    lines_.pop_front();
    ++dropped;
  }
  return dropped;
}
