#include "MessageFields.h"

#include <charconv>

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

template std::optional<std::int16_t> ParseNumber<std::int16_t>(std::string_view);
template std::optional<std::int32_t> ParseNumber<std::int32_t>(std::string_view);

MessageFields::MessageFields(std::string_view message, std::size_t maxFields) {
  std::size_t start = 0;
  while (maxFields == kAll || fields_.size() + 1 < maxFields) {
    const std::size_t colon = message.find(':', start);
    if (colon == std::string_view::npos) break;
    fields_.push_back(message.substr(start, colon - start));
    start = colon + 1;
  }
  fields_.push_back(message.substr(start));
}

std::optional<std::string_view> MessageFields::View(std::size_t i) const {
  if (i >= fields_.size()) return std::nullopt;
  return fields_[i];
}

std::optional<std::string> MessageFields::Text(std::size_t i) const {
  if (i >= fields_.size()) return std::nullopt;
  return std::string(fields_[i]);
}

std::optional<std::int32_t> MessageFields::Int32(std::size_t i) const {
  if (i >= fields_.size()) return std::nullopt;
  return ParseNumber<std::int32_t>(fields_[i]);
}

std::optional<std::int16_t> MessageFields::Int16(std::size_t i) const {
  if (i >= fields_.size()) return std::nullopt;
  return ParseNumber<std::int16_t>(fields_[i]);
}
