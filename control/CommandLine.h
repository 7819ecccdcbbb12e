// Builds a TOC client command line: the command's name and one space, then
// its fields, each in double quotes and separated by one space. Each field
// gets the treatment its command gives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// TOC servers close the connection on a client command longer than this,
// counted as it goes out: the whole line and the NUL that ends it.
inline constexpr std::size_t kMaxCommandBytes = 2048;

// How many bytes the command line and its NUL are over kMaxCommandBytes; 0 when it fits.
std::size_t CommandExcess(std::string_view line);

class CommandLine {
 public:
  explicit CommandLine(std::string_view command);

  // A screen name: lower case, spaces removed.
  CommandLine& User(std::string_view name);
  // Free text: the protocol's special characters escaped.
  CommandLine& Text(std::string_view text);
  // The argument as it is, even a quote inside it.
  CommandLine& Raw(std::string_view text);
  // Decimal text, a minus sign for a negative value.
  CommandLine& Number(std::int64_t value);
  // Text appended with no quotes and no separator.
  CommandLine& Unquoted(std::string_view text);

  [[nodiscard]] const std::string& Line() const { return line_; }
  [[nodiscard]] std::size_t Excess() const { return CommandExcess(line_); }

 private:
  CommandLine& Quoted(std::string_view text);

  std::string line_;
  bool firstField_ = true;
};
