// Desktop notifications against a real notification daemon (dunst, started
// by with-notifications.sh in a D-Bus session of its own), reading what
// reached it with dbus-monitor.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "DesktopNotifier.h"

TEST(DesktopNotifier, ShowsEachAlertInOrderAsPlainTextAndAClickShowsKlaxo) {
  QProcess monitor;
  monitor.start("dbus-monitor", {"--session", "interface='org.freedesktop.Notifications'"});
  QByteArray seen;
  const auto read = [&] { return seen += monitor.readAllStandardOutput(); };
  // The monitor says it is listening by the name it is given.
  ASSERT_TRUE(QTest::qWaitFor([&] { return read().contains("NameAcquired"); }, 10000));

  DesktopNotifier notifier;
  int activated = 0;
  QStringList unavailable;
  notifier.onActivated = [&] { ++activated; };
  notifier.onUnavailable = [&](const QString& reason) { unavailable.append(reason); };
  notifier.Notify("Alert", "bob", "1 < 2 & <b>cat</b>");
  notifier.Notify("Alert", "al", "second");
  ASSERT_TRUE(QTest::qWaitFor([&] { return read().count("member=Notify") == 2; }, 10000));
  const qsizetype first = seen.indexOf("member=Notify");
  const QByteArray call = seen.mid(first, seen.indexOf("member=Notify", first + 1) - first);
  // app name, replaces none, icon, title, the body escaped for the markup dunst reads.
  EXPECT_TRUE(
      call.contains("string \"Klaxo\"\n   uint32 0\n   string \"org.klaxo.Klaxo\"\n   string \"Alert\"\n"
                    "   string \"bob: 1 &lt; 2 &amp; &lt;b&gt;cat&lt;/b&gt;\"\n"))
      << call.toStdString();
  EXPECT_TRUE(seen.indexOf("al: second") > first) << "in the order of the alerts";

  QProcess::execute("dunstctl", {"action", "0"});
  ASSERT_TRUE(QTest::qWaitFor([&] { return activated == 1; }, 10000)) << activated;
  EXPECT_TRUE(unavailable.isEmpty()) << unavailable.join('|').toStdString();
  monitor.kill();
  monitor.waitForFinished();
}

TEST(DesktopNotifier, SaysOnceThatNoServiceRuns) {
  DesktopNotifier notifier(QDBusConnection::sessionBus(), "org.klaxo.NoSuchNotifications");
  QStringList unavailable;
  notifier.onUnavailable = [&](const QString& reason) { unavailable.append(reason); };
  notifier.Notify("Alert", "bob", "one");
  ASSERT_TRUE(QTest::qWaitFor([&] { return unavailable.size() == 1; }, 10000)) << unavailable.size();
  notifier.Notify("Alert", "bob", "two");
  QTest::qWait(300);
  EXPECT_EQ(unavailable.size(), 1) << unavailable.join('|').toStdString();
  EXPECT_TRUE(unavailable[0].startsWith("Desktop notifications cannot be shown: ")) << unavailable[0].toStdString();
}
