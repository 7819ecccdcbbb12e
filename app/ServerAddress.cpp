#include "ServerAddress.h"

std::optional<ServerAddress> ParseServerAddress(const QString& text) {
  ServerAddress address;
  QString portText;
  if (text.startsWith(QLatin1Char('['))) {
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0) return std::nullopt;
    address.host = text.mid(1, close - 1);
    const QString rest = text.mid(close + 1);
    if (!rest.isEmpty()) {
      if (!rest.startsWith(QLatin1Char(':'))) return std::nullopt;
      portText = rest.mid(1);
      if (portText.isEmpty()) return std::nullopt;
    }
  } else if (text.count(QLatin1Char(':')) == 1) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    address.host = text.left(colon);
    portText = text.mid(colon + 1);
    if (portText.isEmpty()) return std::nullopt;
  } else {
    address.host = text;  // a bare name, or an IPv6 address without a port
  }
  if (address.host.trimmed().isEmpty()) return std::nullopt;
  if (!portText.isEmpty()) {
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port < 1 || port > 65535) return std::nullopt;
    address.port = static_cast<std::int32_t>(port);
  }
  return address;
}
