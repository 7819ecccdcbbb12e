// The real main window with the real control, against the bundled server
// klaxo-tocd over loopback, and a second client that speaks in the room.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextFragment>
#include <algorithm>

#include "QtTocSocket.h"
#include "RecordingEvents.h"
#include "WindowFixture.h"

namespace {

constexpr int kWaitMs = 10000;

// Starts klaxo-tocd on a free loopback port and stops it at the end.
class BundledServer {
 public:
  BundledServer() {
    process_.setProgram(QStringLiteral(KLAXO_TOCD));
    process_.setArguments({"--listen", "127.0.0.1", "--port", "0", "--keepalive", "1"});
    process_.start();
    // The first line names the port the server picked.
    const bool listening = QTest::qWaitFor(
        [&] {
          output_ += process_.readAllStandardOutput();
          const QRegularExpressionMatch found =
              QRegularExpression(QStringLiteral("listening on \\S+ port (\\d+)")).match(QString::fromUtf8(output_));
          if (found.hasMatch()) port_ = found.captured(1).toInt();
          return port_ != 0 || process_.state() == QProcess::NotRunning;
        },
        kWaitMs);
    if (!listening) port_ = 0;
  }
  ~BundledServer() {
    process_.kill();
    process_.waitForFinished();
  }
  [[nodiscard]] int Port() const { return port_; }

 private:
  QProcess process_;
  QByteArray output_;
  int port_ = 0;
};

bool LastLineHasRedName(const QPlainTextEdit& box) {
  const QTextBlock block = box.document()->lastBlock();
  const QTextFragment name = block.begin().fragment();
  return name.isValid() && name.charFormat().foreground().color() == QColor(255, 0, 0);
}

}  // namespace

TEST(EndToEnd, SignOnJoinAlertConsoleOwnMessageLeaveAndSignOff) {
  BundledServer server;
  ASSERT_NE(server.Port(), 0) << "klaxo-tocd did not start";

  auto recorder = std::make_unique<RecordingAlerts>();
  RecordingAlerts& alerts = *recorder;
  Klaxo window(std::make_unique<QtTocSocket>(), std::move(recorder), ServerAddress{"127.0.0.1", server.Port()});
  window.show();

  window.txtSn->setText(QStringLiteral("My Name"));
  window.txtPw->setText(QStringLiteral("any password"));
  window.cmdSignon->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.lblStat->text() == QStringLiteral("Logged on 'myname'"); }, kWaitMs))
      << window.lblStat->text().toStdString();

  window.txtCr->setText(QStringLiteral("Test Room"));
  window.cmdJoin->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.InChat; }, kWaitMs));
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Logged on, joined chat 'testroom'"));
  window.lstNotify->addItem(QStringLiteral("cat"));
  window.chkConsole->setChecked(true);

  RecordingEvents otherEvents;
  QuovTOCSock other(std::make_unique<QtTocSocket>(), &otherEvents);
  other.Login("Other One", "pw", "127.0.0.1", server.Port());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return std::any_of(otherEvents.lines.begin(), otherEvents.lines.end(),
                           [](const std::string& line) { return line.starts_with("LoggedIn("); });
      },
      kWaitMs));
  other.JoinChat("testroom", 4);
  ASSERT_TRUE(QTest::qWaitFor([&] { return other.LastChatID != 0; }, kWaitMs));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.console->txtChatBox->toPlainText().contains(QStringLiteral("has entered the room.")); },
      kWaitMs));

  other.SendChat("testroom", "I saw a <b>cat</b> today", other.LastChatID);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.shown.empty(); }, kWaitMs));
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_NE(alerts.shown[0].find(": I saw a cat today"), std::string::npos) << alerts.shown[0];
  EXPECT_TRUE(
      window.console->txtChatBox->document()->lastBlock().text().endsWith(QStringLiteral(": I saw a cat today")));

  window.console->txtMessage->setText(QStringLiteral("hello 1<2"));
  window.console->cmdSend->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return window.console->txtChatBox->document()->lastBlock().text().endsWith(QStringLiteral(": hello 1<2"));
      },
      kWaitMs))
      << window.console->txtChatBox->toPlainText().toStdString();
  EXPECT_TRUE(LastLineHasRedName(*window.console->txtChatBox));

  window.cmdLeave->click();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window.lblStat->text() == QStringLiteral("Logged in, left chat"); }, kWaitMs));
  EXPECT_FALSE(window.InChat);
  EXPECT_EQ(window.console->txtChatBox->toPlainText(), QString());

  window.cmdSignoff->click();
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Logged off"));
  other.LogOff();
}
