#include "ConsoleText.h"

#include "ShownLine.h"

namespace {
const QString kMarkupPrefix =
    QStringLiteral("<body bgcolor=\"#FFFFFF\"><font face=\"Times New Roman\" color=\"#000000\">");
}

QString DisplayText(const QString& cleaned) {
  // Most lines hold no entity at all: one look spares three searches.
  if (!cleaned.contains(u'&')) return ShownLine(cleaned);
  QString text = cleaned;
  text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
  text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
  text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
  return ShownLine(text);
}

QString OutgoingMessage(const QString& typed) {
  return kMarkupPrefix + QString(typed).replace(QLatin1Char('<'), QStringLiteral("&lt;"));
}
