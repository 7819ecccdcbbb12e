#include "TextEdge.h"

#include <QStringDecoder>

#include "Functions.h"

QString FromWire(const std::string& bytes) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  // A leading U+FEFF is text like any other here, not a mark to drop.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = utf8.decode(view);
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(view);
}

std::string ToWire(const QString& text) { return text.toStdString(); }

bool SamePerson(const QString& a, const QString& b) { return Normalize(ToWire(a)) == Normalize(ToWire(b)); }

QString NormalizeText(const QString& text) { return FromWire(Normalize(ToWire(text))); }
