#include "WordsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <string>

#include "TextEdge.h"
#include "WordList.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Calls line(number, text) for every line of the file, its byte-order mark
// and each line's ending removed; the empty-word line comes as nothing.
template <typename Line>
void ForEachLine(const QByteArray& file, Line line) {
  QByteArrayView rest(file);
  if (rest.startsWith(kByteOrderMark)) rest = rest.sliced(3);
  for (int number = 1; !rest.isEmpty(); ++number) {
    const qsizetype end = rest.indexOf('\n');
    QByteArrayView bytes = end < 0 ? rest : rest.first(end);
    rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    if (bytes.endsWith('\r')) bytes.chop(1);
    if (bytes == QByteArrayView(kEmptyWordLine)) {
      line(number, std::optional<QString>());
    } else {
      line(number, std::optional<QString>(FromWire(std::string(bytes.data(), static_cast<std::size_t>(bytes.size())))));
    }
  }
}

}  // namespace

QStringList ParseWords(const QByteArray& file) {
  QStringList words;
  ForEachLine(file, [&](int, const std::optional<QString>& text) {
    const QString word = text ? Word(*text) : QString();
    if (!text || !word.isEmpty()) words.append(word);
  });
  return words;
}

QByteArray SerializeWords(const QStringList& words) {
  QList<WordRule> rules;
  rules.reserve(words.size());
  for (const QString& word : words) rules.append(WordRule{word});
  return SerializeWordRules(rules);
}

QList<WordRule> ParseWordRules(const QByteArray& file, QList<WordsFileProblem>& problems) {
  QList<WordRule> rules;
  ForEachLine(file, [&](int number, const std::optional<QString>& text) {
    if (!text) {
      rules.append(WordRule{});
      return;
    }
    QString error;
    const auto rule = ParseRuleLine(*text, error);
    if (!rule) {
      problems.append({number, error});
    } else if (!rule->Plain() || !rule->word.isEmpty()) {
      rules.append(*rule);
    }
  });
  return rules;
}

QByteArray SerializeWordRules(const QList<WordRule>& rules) {
  QByteArray file;
  if (!rules.isEmpty() && rules.front().Plain() && rules.front().word.startsWith(QChar(0xFEFF))) file += kByteOrderMark;
  for (const WordRule& rule : rules) {
    file += rule.Plain() && rule.word.isEmpty() ? QByteArray(kEmptyWordLine) : RuleLine(rule).toUtf8();
    file += '\n';
  }
  return file;
}

std::optional<QByteArray> WordsFile::Read(QString& error) const {
  QFile file(path_);
  if (!file.exists()) return QByteArray();
  if (QFileInfo(path_).isDir()) {
    error = QStringLiteral("it is a folder");
    return std::nullopt;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
    return std::nullopt;
  }
  QByteArray bytes = file.read(kMaxBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    error = file.errorString();
    return std::nullopt;
  }
  if (bytes.size() > kMaxBytes) {
    error = QStringLiteral("it is larger than %1 bytes, too large for a word list").arg(kMaxBytes);
    return std::nullopt;
  }
  return bytes;
}

std::optional<QStringList> WordsFile::Load(QString& error) const {
  const auto bytes = Read(error);
  if (!bytes) return std::nullopt;
  return ParseWords(*bytes);
}

std::optional<QList<WordRule>> WordsFile::LoadRules(QList<WordsFileProblem>& problems, QString& error) const {
  const auto bytes = Read(error);
  if (!bytes) return std::nullopt;
  return ParseWordRules(*bytes, problems);
}

bool WordsFile::Save(const QStringList& words, QString& error) const { return Write(SerializeWords(words), error); }

bool WordsFile::SaveRules(const QList<WordRule>& rules, QString& error) const {
  return Write(SerializeWordRules(rules), error);
}

bool WordsFile::Write(const QByteArray& bytes, QString& error) const {
  // A path the user named is wanted there, in folders not made yet as well.
  const QString folder = QFileInfo(path_).absolutePath();
  if (!QDir().mkpath(folder)) {
    error = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
    return false;
  }
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}
