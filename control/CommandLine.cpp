#include "CommandLine.h"

#include "WireText.h"

CommandLine::CommandLine(std::string_view command) : line_(command) { line_ += ' '; }

CommandLine& CommandLine::User(std::string_view name) { return Quoted(NormalizeName(name)); }

CommandLine& CommandLine::Text(std::string_view text) { return Quoted(EscapeText(text)); }

CommandLine& CommandLine::Raw(std::string_view text) { return Quoted(text); }

CommandLine& CommandLine::Number(std::int64_t value) { return Quoted(std::to_string(value)); }

CommandLine& CommandLine::Unquoted(std::string_view text) {
  line_ += text;
  return *this;
}

std::size_t CommandExcess(std::string_view line) {
  const std::size_t bytes = line.size() + 1;
  return bytes > kMaxCommandBytes ? bytes - kMaxCommandBytes : 0;
}

CommandLine& CommandLine::Quoted(std::string_view text) {
  if (!firstField_) line_ += ' ';
  firstField_ = false;
  line_ += '"';
  line_ += text;
  line_ += '"';
  return *this;
}
