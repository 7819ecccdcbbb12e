#include "WordMatcher.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "TextEdge.h"
#include "WordList.h"

namespace {

struct OptionName {
  const char16_t* name;
  bool WordRule::*flag;
};
constexpr OptionName kFlags[] = {
    {u"nocase", &WordRule::ignoreCase}, {u"whole", &WordRule::wholeWord}, {u"regex", &WordRule::regex}};
constexpr const char16_t* kSender = u"sender";
constexpr const char16_t* kBoth = u"both";

// Substring search is kept for the words that need nothing more: it is the
// plain list's rule and far cheaper than an expression.
bool NeedsExpression(const WordRule& rule) { return rule.regex || rule.wholeWord; }

QRegularExpression Expression(const WordRule& rule) {
  QString pattern = rule.regex ? rule.word : QRegularExpression::escape(rule.word);
  if (rule.wholeWord) pattern = QStringLiteral("(?<!\\w)(?:%1)(?!\\w)").arg(pattern);
  QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
  if (rule.ignoreCase) options |= QRegularExpression::CaseInsensitiveOption;
  return QRegularExpression(pattern, options);
}

}  // namespace

std::optional<QString> RuleError(const WordRule& rule) {
  // A pattern sound on its own stays sound wrapped for whole words, and its
  // own offsets are the ones the user can find.
  if (!rule.regex) return std::nullopt;
  const QRegularExpression expression(rule.word);
  if (expression.isValid()) return std::nullopt;
  return QStringLiteral("%1 at character %2").arg(expression.errorString()).arg(expression.patternErrorOffset() + 1);
}

QString RuleLine(const WordRule& rule) {
  if (rule.Plain()) return rule.word;
  QStringList options;
  for (const OptionName& option : kFlags) {
    if (rule.*option.flag) options.append(QString::fromUtf16(option.name));
  }
  if (rule.target == WordRule::Target::Sender) options.append(QString::fromUtf16(kSender));
  if (rule.target == WordRule::Target::Both) options.append(QString::fromUtf16(kBoth));
  return QStringLiteral("(%1) %2").arg(options.join(u' '), rule.word);
}

std::optional<WordRule> ParseRuleLine(const QString& line, QString& error) {
  const qsizetype close = line.indexOf(QStringLiteral(") "));
  if (!line.startsWith(u'(') || close < 0) return WordRule{Word(line)};
  WordRule rule;
  for (const QString& name : line.mid(1, close - 1).split(u' ', Qt::SkipEmptyParts)) {
    const auto* flag = std::find_if(std::begin(kFlags), std::end(kFlags),
                                    [&](const OptionName& option) { return name == QString::fromUtf16(option.name); });
    if (flag != std::end(kFlags)) {
      rule.*flag->flag = true;
    } else if (name == QString::fromUtf16(kSender)) {
      rule.target = WordRule::Target::Sender;
    } else if (name == QString::fromUtf16(kBoth)) {
      rule.target = WordRule::Target::Both;
    } else {
      error = QStringLiteral("unknown option \"%1\" (known: nocase, whole, regex, sender, both)").arg(name);
      return std::nullopt;
    }
  }
  const QString word = line.mid(close + 2);
  rule.word = rule.regex ? word : Word(word);
  if (const auto fault = RuleError(rule)) {
    error = QStringLiteral("the regular expression is not valid: %1").arg(*fault);
    return std::nullopt;
  }
  return rule;
}

bool SenderFilter::Silences(const QString& sender, const QString& ownName) const {
  if (ignoreOwnLines && !ownName.isEmpty() && SamePerson(sender, ownName)) return true;
  return std::any_of(neverAlert.begin(), neverAlert.end(),
                     [&](const QString& name) { return SamePerson(sender, name); });
}

WordMatcher::WordMatcher(const QList<WordRule>& rules, SenderFilter filter) : filter_(std::move(filter)) {
  rules_.reserve(rules.size());
  for (const WordRule& rule : rules) {
    Compiled compiled{rule, {}, {}};
    if (NeedsExpression(rule)) {
      compiled.expression = Expression(rule);
      compiled.expression.optimize();
    } else {
      compiled.finder = QStringMatcher(rule.word, rule.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    }
    rules_.append(std::move(compiled));
  }
}

bool WordMatcher::Found(const Compiled& compiled, const QString& subject) {
  if (subject.isEmpty()) return false;
  const WordRule& rule = compiled.rule;
  if (!rule.regex && rule.word.isEmpty()) return true;
  if (!NeedsExpression(rule)) return compiled.finder.indexIn(subject) >= 0;
  return compiled.expression.isValid() && compiled.expression.match(subject).hasMatch();
}

QList<WordRule> WordMatcher::Matches(const QString& sender, const QString& cleaned, const QString& ownName) const {
  QList<WordRule> found;
  if (filter_.Silences(sender, ownName)) return found;
  for (const Compiled& compiled : rules_) {
    const WordRule::Target target = compiled.rule.target;
    const bool inText = target != WordRule::Target::Sender && Found(compiled, cleaned);
    const bool inSender = !inText && target != WordRule::Target::Text && Found(compiled, sender);
    if (inText || inSender) found.append(compiled.rule);
  }
  return found;
}
