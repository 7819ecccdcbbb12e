// The TOC server Klaxo signs on to, as the --server option names it.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

struct ServerAddress {
  static constexpr std::int32_t kDefaultPort = 5190;
  QString host = QStringLiteral("localhost");
  std::int32_t port = kDefaultPort;
};

// Reads HOST[:PORT]; an IPv6 address takes brackets when a port follows
// ([::1]:5190). Nothing when the host is empty or the port is not a number
// from 1 to 65535.
std::optional<ServerAddress> ParseServerAddress(const QString& text);
