// How much history the chat console's transcript keeps.
//
// A hostile or very busy room must not grow the transcript without bound,
// neither with many lines nor with long ones: it keeps at most kMaxLines
// lines and kMaxBytes of text, dropping its oldest lines first, a hundredth
// of the bound at a time. The newest line always stays.
#pragma once

#include <cstddef>
#include <deque>

class TranscriptBudget {
 public:
  static constexpr std::size_t kMaxLines = 10000;
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  explicit TranscriptBudget(std::size_t maxLines = kMaxLines, std::size_t maxBytes = kMaxBytes);

  // The transcript now holds one line of this many bytes.
  void Restart(std::size_t bytes);
  // Counts a new last line; gives how many of the oldest lines must go.
  std::size_t Add(std::size_t bytes);
  [[nodiscard]] std::size_t Lines() const { return lines_.size(); }
  [[nodiscard]] std::size_t Bytes() const { return bytes_; }

 private:
  std::size_t maxLines_;
  std::size_t maxBytes_;
  std::deque<std::size_t> lines_;
  std::size_t bytes_ = 0;
};
