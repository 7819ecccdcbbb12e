#include "ExchangeReader.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The value of the digits after &H or &O; stops at the first other character.
double ReadRadix(std::u16string_view digits, int radix) {
  double value = 0;
  for (char16_t c : digits) {
    int digit = -1;
    if (IsDigit(c))
      digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    if (digit < 0 || digit >= radix) break;
    value = value * radix + digit;
  }
  return value;
}

// The longest leading decimal number: sign, digits, one point, an exponent.
double ReadDecimal(std::u16string_view text) {
  std::string number;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) number += static_cast<char>(text[i++]);
  bool digits = false;
  const auto takeDigits = [&] {
    while (i < text.size() && IsDigit(text[i])) {
      number += static_cast<char>(text[i++]);
      digits = true;
    }
  };
  takeDigits();
  if (i < text.size() && text[i] == u'.') {
    number += '.';
    ++i;
    takeDigits();
  }
  if (!digits) return 0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exponent += static_cast<char>(text[j++]);
    const std::size_t first = j;
    while (j < text.size() && IsDigit(text[j])) exponent += static_cast<char>(text[j++]);
    if (j > first) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace

std::optional<std::int16_t> ReadExchange(std::u16string_view text) {
  std::u16string packed;
  for (char16_t c : text) {
    if (!IsBlank(c)) packed += c;
  }
  const std::u16string_view view(packed);
  double value = 0;
  if (view.size() >= 2 && view[0] == u'&' && (view[1] == u'H' || view[1] == u'h')) {
    value = ReadRadix(view.substr(2), 16);
  } else if (view.size() >= 2 && view[0] == u'&' && (view[1] == u'O' || view[1] == u'o')) {
    value = ReadRadix(view.substr(2), 8);
  } else {
    value = ReadDecimal(view);
  }
  const int previous = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(value);
  std::fesetround(previous);
  if (!(rounded >= std::numeric_limits<std::int16_t>::min() && rounded <= std::numeric_limits<std::int16_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(rounded);
}
