// Client command lines as the server reads them: the command's name, then
// arguments separated by spaces. An argument in double quotes may hold
// spaces, and so may one in braces ({g:My Friends\nb:bob}, as clients send
// buddy lists), the braces not being part of it. In every argument a
// backslash stands for the character after it alone, whatever it is, as
// clients escape more characters than they must.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ClientCommand {
  std::string name;
  std::vector<std::string> args;
};

// Nothing when a quoted or braced argument is not closed, or its closing
// quote or brace is not followed by a space or the end of the line.
std::optional<ClientCommand> ParseClientCommand(std::string_view line);

// True when the text can stand as a field of a server message and a line of
// a configuration: 1 to maxLength bytes, no colon and no control character.
bool IsPlainEntry(std::string_view text, std::size_t maxLength);
// A plain entry that is not empty once normalized, as a group or a screen
// name in a list must be to be found again.
bool IsListName(std::string_view text, std::size_t maxLength);
