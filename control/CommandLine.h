// Builds a TOC client command line: the command's name and one space, then
// its fields, each in double quotes and separated by one space. Each field
// gets the treatment its command gives it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

 private:
  CommandLine& Quoted(std::string_view text);

  std::string line_;
  bool firstField_ = true;
};
