// Text transformations that prepare values for the TOC wire.
//
// Wire text is bytes held one per char. Letters are lowered in the ASCII range
// only: every other byte is passed through, so multi-byte UTF-8 names survive.
#pragma once

#include <string>
#include <string_view>

// "0x" and two lower-case hexadecimal digits per password byte, each byte
// XORed with the protocol's roasting key, which is reused cyclically.
std::string RoastPassword(std::string_view password);

// The canonical form of a screen name: lower case, every space removed.
std::string NormalizeName(std::string_view name);

// Puts a backslash before each of \ $ " ( ) [ ] { } so the text can stand
// inside a quoted command argument.
std::string EscapeText(std::string_view text);

// Whether c is one of the characters EscapeText puts a backslash before.
bool IsEscapedCharacter(char c);

// The text without leading and trailing space characters (other white space stays).
std::string_view TrimSpaces(std::string_view text);
