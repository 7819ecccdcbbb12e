#include "SecretStore.h"

#include "TextEdge.h"

QString SecretStore::Account(const QString& name, const ServerAddress& server) {
  const QString host = server.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(server.host) : server.host;
  return NormalizeText(name) + QLatin1Char('@') + host + QLatin1Char(':') + QString::number(server.port);
}
