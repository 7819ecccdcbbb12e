#include "ShownLine.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr char16_t kLineBreakMark = u'\u23CE';

bool IsLineBreak(char16_t c) {
  return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

bool IsDirectionControl(char16_t c) { return (c >= u'\u202A' && c <= u'\u202E') || (c >= u'\u2066' && c <= u'\u2069'); }

// Whether a character may need showing otherwise: LF to CR, or anything
// from U+0085 up.
bool Suspect(char16_t c) { return static_cast<char16_t>(c - u'\n') <= u'\r' - u'\n' || c >= u'\u0085'; }

// Eight UTF-16 code units, judged together (GCC's and Clang's vector types;
// plain code where the processor has no vectors).
using Lanes = std::uint16_t __attribute__((vector_size(16)));
constexpr qsizetype kLanes = sizeof(Lanes) / sizeof(std::uint16_t);

// Most text is ASCII without a line break, and each of a busy room's lines
// is looked at twice: eight characters at a time, without a branch each.
bool AnySuspect(const QString& text) {
  const QChar* chars = text.constData();
  const qsizetype size = text.size();
  qsizetype i = 0;
  for (; i + kLanes <= size; i += kLanes) {
    Lanes lanes;
    std::memcpy(&lanes, chars + i, sizeof lanes);
    // Plain int operands: vector arithmetic with character literals is not
    // taken by every compiler.
    const auto marks = (static_cast<Lanes>(lanes - int{u'\n'}) <= int{u'\r' - u'\n'}) | (lanes >= int{u'\u0085'});
    std::array<std::uint64_t, 2> halves{};
    std::memcpy(halves.data(), &marks, sizeof halves);
    if ((halves[0] | halves[1]) != 0) return true;
  }
  return std::any_of(chars + i, chars + size, [](QChar c) { return Suspect(c.unicode()); });
}

}  // namespace

QString ShownLine(const QString& text) {
  const auto unsafe = [](QChar c) { return IsLineBreak(c.unicode()) || IsDirectionControl(c.unicode()); };
  if (!AnySuspect(text) || std::none_of(text.begin(), text.end(), unsafe)) return text;
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (IsDirectionControl(c)) continue;
    if (!IsLineBreak(c)) {
      shown += QChar(c);
      continue;
    }
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    shown += QChar(kLineBreakMark);
  }
  return shown;
}
