// The rule by which every server message is cut into fields.
//
// The message is split at colons from the left into at most N fields, the
// last keeping the rest of the text with its colons; field 0 is the message
// name. A field the message does not contain is missing, and so is a number
// that does not parse or does not fit: the accessors say so with an empty
// optional, and the step that needed the value is skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Decimal text with an optional sign; leading zeros are allowed. Anything
// else, or a value outside T's range, gives nothing.
template <typename T>
std::optional<T> ParseNumber(std::string_view text);

extern template std::optional<std::int16_t> ParseNumber<std::int16_t>(std::string_view);
extern template std::optional<std::int32_t> ParseNumber<std::int32_t>(std::string_view);

class MessageFields {
 public:
  static constexpr std::size_t kAll = 0;

  // Splits message into at most maxFields fields, or at every colon for kAll.
  MessageFields(std::string_view message, std::size_t maxFields);

  [[nodiscard]] std::size_t Count() const { return fields_.size(); }
  [[nodiscard]] std::optional<std::string_view> View(std::size_t i) const;
  [[nodiscard]] std::optional<std::string> Text(std::size_t i) const;
  [[nodiscard]] std::optional<std::int32_t> Int32(std::size_t i) const;
  [[nodiscard]] std::optional<std::int16_t> Int16(std::size_t i) const;

 private:
  std::vector<std::string_view> fields_;
};
