#include "CommandArguments.h"

#include <algorithm>

#include "WireText.h"

std::optional<ClientCommand> ParseClientCommand(std::string_view line) {
  ClientCommand command;
  std::size_t i = line.find(' ');
  command.name = std::string(line.substr(0, i));
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::string arg;
    if (line[i] == '"') {
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size() && IsEscapedCharacter(line[i + 1])) ++i;
        arg += line[i++];
      }
      if (i == line.size()) return std::nullopt;
      ++i;
      if (i < line.size() && line[i] != ' ') return std::nullopt;
    } else {
      const std::size_t end = std::min(line.find(' ', i), line.size());
      arg = line.substr(i, end - i);
      i = end;
    }
    command.args.push_back(std::move(arg));
  }
  return command;
}

bool IsPlainEntry(std::string_view text, std::size_t maxLength) {
  if (text.empty() || text.size() > maxLength) return false;
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == ':' || code < 0x20 || code == 0x7F) return false;
  }
  return true;
}
