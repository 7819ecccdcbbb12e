#include "CommandArguments.h"

std::optional<ClientCommand> ParseClientCommand(std::string_view line) {
  ClientCommand command;
  std::size_t i = line.find(' ');
  command.name = std::string(line.substr(0, i));
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    // A plain argument ends at a space, a quoted or braced one at its closing character.
    char closing = ' ';
    if (line[i] == '"' || line[i] == '{') closing = line[i++] == '"' ? '"' : '}';
    std::string arg;
    while (i < line.size() && line[i] != closing) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      arg += line[i++];
    }
    if (closing != ' ') {
      if (i == line.size()) return std::nullopt;
      ++i;
      if (i < line.size() && line[i] != ' ') return std::nullopt;
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

bool IsListName(std::string_view text, std::size_t maxLength) {
  return IsPlainEntry(text, maxLength) && text.find_first_not_of(' ') != std::string_view::npos;
}
