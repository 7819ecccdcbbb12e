#include "Flap.h"

#include <utility>

namespace flap {

std::string EncodeWord(std::int32_t value) {
  return {static_cast<char>((value / 256) & 0xFF), static_cast<char>((value % 256) & 0xFF)};
}

std::int32_t DecodeWord(std::string_view bytes) {
  const auto code = [&](std::size_t i) -> std::int32_t {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  return 256 * code(0) + code(1);
}

std::string BuildFrame(char type, std::uint16_t sequence, std::string_view payload) {
  std::string frame;
  frame.reserve(kHeaderSize + payload.size());
  frame += kMarker;
  frame += type;
  frame += EncodeWord(sequence);
  frame += EncodeWord(static_cast<std::int32_t>(payload.size()));
  frame += payload;
  return frame;
}

std::string_view Payload(std::string_view frame) {
  return frame.size() > kHeaderSize ? frame.substr(kHeaderSize) : std::string_view{};
}

void Reader::Append(std::string_view bytes) {
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(bytes);
}

void Reader::Append(std::string&& bytes) {
  if (start_ == buffer_.size()) {
    buffer_ = std::move(bytes);
    start_ = 0;
    return;
  }
  Append(std::string_view(bytes));
}

Reader::Result Reader::Next(std::string& frame) {
  const std::string_view pending = Bytes();
  if (pending.empty()) return Result::NeedMore;
  if (pending[0] != kMarker) return Result::BadMarker;
  if (pending.size() < kHeaderSize) return Result::NeedMore;
  const std::size_t length = kHeaderSize + static_cast<std::size_t>(DecodeWord(pending.substr(4, 2)));
  if (pending.size() < length) return Result::NeedMore;
  frame.assign(pending.substr(0, length));
  start_ += length;
  return Result::Frame;
}

void Reader::Clear() {
  buffer_.clear();
  start_ = 0;
}

}  // namespace flap
