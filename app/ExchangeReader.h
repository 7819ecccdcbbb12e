// Reads the exchange number typed into the main window.
//
// The box is read the way the classic BASIC Val function reads a number:
// spaces, tabs and line feeds anywhere are ignored; then a sign, digits, one
// decimal point and an exponent (E or D) are read, or after a leading &H or
// &O a hexadecimal or octal number; reading stops at the first character
// that cannot continue the number, and a text with no leading number reads as
// 0. The value is rounded to the nearest integer, a half going to the even
// neighbour. A value outside the 16-bit signed range gives nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int16_t> ReadExchange(std::u16string_view text);
