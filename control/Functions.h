// Text helpers shared by the control and the application.
#pragma once

#include <string>
#include <string_view>

// A screen name in the form in which names are compared and keyed: lower
// case, every space removed (the same text as the control's NormalizeName).
std::string Normalize(std::string_view text);

// Removes markup tags left to right: a tag is the shortest run from a "<" to
// the next ">" after it. A ">" before the first "<" stays, and a "<" with no
// ">" after it stays with everything that follows. Entities are not decoded.
std::string StripHtml(std::string_view text);
