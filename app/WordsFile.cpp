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

}  // namespace

QStringList ParseWords(const QByteArray& file) {
  QByteArrayView rest(file);
  if (rest.startsWith(kByteOrderMark)) rest = rest.sliced(3);
  QStringList words;
  while (!rest.isEmpty()) {
    const qsizetype end = rest.indexOf('\n');
    QByteArrayView line = end < 0 ? rest : rest.first(end);
    rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    if (line.endsWith('\r')) line.chop(1);
    if (line == QByteArrayView(kEmptyWordLine)) {
      words.append(QString());
      continue;
    }
    const QString word = Word(FromWire(std::string(line.data(), static_cast<std::size_t>(line.size()))));
    if (!word.isEmpty()) words.append(word);
  }
  return words;
}

QByteArray SerializeWords(const QStringList& words) {
  QByteArray file;
  if (!words.isEmpty() && words.front().startsWith(QChar(0xFEFF))) file += kByteOrderMark;
  for (const QString& word : words) {
    file += word.isEmpty() ? QByteArray(kEmptyWordLine) : word.toUtf8();
    file += '\n';
  }
  return file;
}

std::optional<QStringList> WordsFile::Load(QString& error) const {
  QFile file(path_);
  if (!file.exists()) return QStringList();
  if (QFileInfo(path_).isDir()) {
    error = QStringLiteral("it is a folder");
    return std::nullopt;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
    return std::nullopt;
  }
  const QByteArray bytes = file.read(kMaxBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    error = file.errorString();
    return std::nullopt;
  }
  if (bytes.size() > kMaxBytes) {
    error = QStringLiteral("it is larger than %1 bytes, too large for a word list").arg(kMaxBytes);
    return std::nullopt;
  }
  return ParseWords(bytes);
}

bool WordsFile::Save(const QStringList& words, QString& error) const {
  // A path the user named is wanted there, in folders not made yet as well.
  const QString folder = QFileInfo(path_).absolutePath();
  if (!QDir().mkpath(folder)) {
    error = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
    return false;
  }
  QSaveFile file(path_);
  const QByteArray bytes = SerializeWords(words);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}
