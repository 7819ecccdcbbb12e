// klaxo-tocd started for a test and stopped at its end. The test's target
// defines KLAXO_TOCD, the path of the built server.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <csignal>

class BundledServer {
 public:
  // Starts the server with these arguments and waits for the line that names
  // the port it listens on; Port() is 0 when none came in time.
  explicit BundledServer(const QStringList& arguments, int waitMs = 10000) {
    process_.start(QStringLiteral(KLAXO_TOCD), arguments);
    const bool listening = QTest::qWaitFor(
        [&] {
          output_ += process_.readAllStandardOutput();
          const QRegularExpressionMatch found =
              QRegularExpression(QStringLiteral("listening on \\S+ port (\\d+)")).match(QString::fromUtf8(output_));
          if (found.hasMatch()) port_ = static_cast<quint16>(found.captured(1).toUInt());
          return port_ != 0 || process_.state() == QProcess::NotRunning;
        },
        waitMs);
    if (!listening) port_ = 0;
  }
  ~BundledServer() {
    process_.kill();
    process_.waitForFinished();
  }
  BundledServer(const BundledServer&) = delete;
  BundledServer& operator=(const BundledServer&) = delete;

  [[nodiscard]] quint16 Port() const { return port_; }
  [[nodiscard]] qint64 ProcessId() const { return process_.processId(); }
  // What the server printed before it named its port.
  [[nodiscard]] const QByteArray& Output() const { return output_; }
  // A stopped server neither sends nor reads, and keeps its connections open.
  void Pause(bool stopped) { ::kill(static_cast<pid_t>(process_.processId()), stopped ? SIGSTOP : SIGCONT); }

 private:
  QProcess process_;
  QByteArray output_;
  quint16 port_ = 0;
};
