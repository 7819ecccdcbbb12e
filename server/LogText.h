// Text for the log, which goes to a terminal: screen names and commands come
// from the network, so every control character in them is written as an
// escape instead. Escaped are C0 controls and DEL (\xHH), C1 controls, the
// line and paragraph separators and the bidirectional controls that reorder
// what follows them, the Arabic letter mark among them (\uHHHH), any byte
// that is not part of well-formed UTF-8 (\xHH), and the backslash itself (\\),
// so that the log stays readable UTF-8 that no peer can rewrite.
#pragma once

#include <string>
#include <string_view>

std::string EscapeForLog(std::string_view text);
