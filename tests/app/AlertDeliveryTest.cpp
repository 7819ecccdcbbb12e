// The alert's ways of delivery and keeping against real parts: a real
// script run per alert, the SQLite history across a restart and a crash,
// the room log's files, libcanberra on a machine without sound, and the
// history and preferences windows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "AlertHistory.h"
#include "AlertSound.h"
#include "ChosenSettings.h"
#include "CommandRunner.h"
#include "HistoryWindow.h"
#include "PreferencesDialog.h"
#include "RoomLog.h"

namespace {

bool IsControl(const QWidget* widget) {
  return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
         qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QComboBox*>(widget) ||
         qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

// The controls the user can reach that have no accessible name; a control's
// own parts (a table's headers, a box's clear button) speak through it.
std::string UnnamedControls(const QWidget& window) {
  QStringList unnamed;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    bool part = false;
    for (const QWidget* up = widget->parentWidget(); up && up != &window; up = up->parentWidget()) {
      part = part || IsControl(up);
    }
    if (IsControl(widget) && !part && widget->accessibleName().isEmpty()) {
      unnamed.append(widget->metaObject()->className());
    }
  }
  return unnamed.join(u' ').toStdString();
}

StoredAlert Alert(const QString& text, bool seen = false) {
  return {0, QDateTime::currentDateTimeUtc(), "Lounge", "bob", "cat", text, seen};
}

}  // namespace

TEST(CommandRunner, RunsAScriptPerAlertInOrderWithTheAlertInItsEnvironmentOnly) {
  QTemporaryDir dir;
  const QString script = dir.filePath("forward");
  QFile file(script);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "#!/bin/sh\nprintf '%s|%s|%s|%s\\n' \"$KLAXO_SENDER\" \"$KLAXO_TEXT\" \"$KLAXO_WORD\" \"$KLAXO_ROOM\" >> "
      "\"$0.out\"\n"
      "case \"$KLAXO_TEXT\" in fail) exit 3;; hang) exec sleep 30;; esac\n");
  file.close();
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);

  CommandRunner runner(script, std::chrono::milliseconds(500));
  std::vector<CommandOutcome> outcomes;
  runner.onFinished = [&](const CommandOutcome& outcome) { outcomes.push_back(outcome); };
  for (const char* text : {"$(touch pwned); `x`", "fail", "hang", "last"}) runner.Run({"bob", text, "cat", "Lounge"});
  EXPECT_TRUE(runner.Busy()) << "the window does not wait for the command";
  ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes.size() == 4u; }, 20000)) << outcomes.size();
  EXPECT_EQ(outcomes[0].kind, CommandOutcome::Kind::Succeeded);
  EXPECT_EQ(outcomes[1].kind, CommandOutcome::Kind::ExitedWithError);
  EXPECT_EQ(outcomes[1].exitCode, 3);
  EXPECT_EQ(outcomes[2].kind, CommandOutcome::Kind::TimedOut);
  EXPECT_TRUE(outcomes[2].message.contains("stopped after 0.5 s")) << outcomes[2].message.toStdString();
  EXPECT_EQ(outcomes[3].kind, CommandOutcome::Kind::Succeeded);
  QFile written(script + ".out");
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(),
            "bob|$(touch pwned); `x`|cat|Lounge\nbob|fail|cat|Lounge\nbob|hang|cat|Lounge\n"
            "bob|last|cat|Lounge\n");
  EXPECT_FALSE(QFile::exists(dir.filePath("pwned"))) << "no shell read the text";

  CommandRunner missing(dir.filePath("none"), std::chrono::seconds(5));
  outcomes.clear();
  missing.onFinished = [&](const CommandOutcome& outcome) { outcomes.push_back(outcome); };
  for (std::size_t i = 0; i < CommandRunner::kMaxWaiting + 3; ++i) missing.Run({});
  ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes.size() == CommandRunner::kMaxWaiting + 1; }, 20000))
      << outcomes.size();
  EXPECT_EQ(outcomes[0].kind, CommandOutcome::Kind::NotStarted);
  EXPECT_EQ(outcomes[0].dropped, 2) << "the alerts beyond the bound are counted, not lost silently";
}

TEST(AlertHistory, KeepsTheNewestAlertsAcrossARestartAndACrash) {
  QTemporaryDir dir;
  const QString path = dir.filePath("deep/klaxo/history.sqlite");
  QString error;
  auto history = AlertHistory::Open(path, error, 3);
  ASSERT_TRUE(history) << error.toStdString();
  for (const char* text : {"one", "a CAT", "100% sure", "x_y", "five"}) {
    StoredAlert alert = Alert(text);
    ASSERT_FALSE(history->Add(alert));
  }
  EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
  history.reset();

  EXPECT_EXIT(
      {
        QString childError;
        auto crashing = AlertHistory::Open(path, childError, 3);
        StoredAlert alert = Alert("six");
        crashing->Add(alert);
        std::_Exit(7);
      },
      testing::ExitedWithCode(7), "");

  history = AlertHistory::Open(path, error, 3);
  ASSERT_TRUE(history) << error.toStdString();
  const auto texts = [&](const QString& search) {
    QStringList found;
    for (const StoredAlert& alert : history->Newest(10, search)) found.append(alert.text);
    return found;
  };
  EXPECT_EQ(texts({}), (QStringList{"six", "five", "x_y"})) << "newest first, the crash lost nothing committed";
  EXPECT_EQ(texts("%"), QStringList()) << "% and _ are searched as themselves";
  EXPECT_EQ(texts("_"), QStringList{"x_y"});
  EXPECT_EQ(texts("LOUNGE").size(), 3) << "the room is searched, in either case";
  EXPECT_EQ(history->CountUnseen(), 3);

  HistoryWindow window(*history);
  EXPECT_EQ(UnnamedControls(window), "");
  QTableWidget& table = *window.Table();
  ASSERT_EQ(table.rowCount(), 3);
  EXPECT_EQ(table.item(0, 5)->text(), "six");
  EXPECT_EQ(table.item(0, 0)->text(), "new");
  QTest::keyClicks(window.SearchBox(), "x_");
  ASSERT_EQ(table.rowCount(), 1);
  EXPECT_EQ(table.item(0, 5)->text(), "x_y");
  bool told = false;
  window.onMarkedSeen = [&] { told = true; };
  window.MarkSeenButton()->click();
  EXPECT_TRUE(told);
  EXPECT_EQ(history->CountUnseen(), 0);
  EXPECT_EQ(table.item(0, 0)->text(), "");
  EXPECT_FALSE(window.MarkSeenButton()->isEnabled());

  QFile::remove(dir.filePath("deep/file"));
  QFile(dir.filePath("deep/file")).open(QIODevice::WriteOnly);
  EXPECT_FALSE(AlertHistory::Open(dir.filePath("deep/file/history.sqlite"), error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(RoomLog, AppendsToOneFilePerRoomAndDayAndTellsAFailureOnce) {
  QTemporaryDir dir;
  RoomLog log(dir.filePath("logs"));
  const QDateTime first(QDate(2026, 12, 8), QTime(23, 59, 58));
  log.Append(first, "Lounge", "bob", "one");
  log.Append(first.addSecs(1), "Lounge", "al", "two");
  log.Append(first.addSecs(3), "Lounge", "bob", "three");
  QCoreApplication::processEvents();
  const auto read = [&](const QString& name) {
    QFile file(dir.filePath("logs/" + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
  };
  EXPECT_EQ(read("Lounge-2026-12-08.log"), "[23:59:58] <bob> one\n[23:59:59] <al> two\n")
      << "written out by the end of the turn";
  EXPECT_EQ(read("Lounge-2026-12-09.log"), "[00:00:01] <bob> three\n");

  QFile(dir.filePath("blocked")).open(QIODevice::WriteOnly);
  RoomLog blocked(dir.filePath("blocked/logs"));
  QStringList failures;
  blocked.onFailed = [&](const QString& reason) { failures.append(reason); };
  blocked.Append(first, "Lounge", "bob", "one");
  blocked.Append(first, "Lounge", "bob", "two");
  EXPECT_EQ(failures.size(), 1) << failures.join('|').toStdString();
}

TEST(AlertSound, TellsASoundThatCannotPlayOnceAndGoesOn) {
  AlertSound sound;
  QStringList failures;
  sound.onFailed = [&](const QString& reason) { failures.append(reason); };
  sound.Play("/nonexistent/ding.oga");
  sound.Play("/nonexistent/ding.oga");
  ASSERT_EQ(failures.size(), 1);
  EXPECT_TRUE(failures[0].startsWith("The alert sound cannot be played: ")) << failures[0].toStdString();
}

TEST(PreferencesDialog, ShowsEverySettingAndGivesItBackWithEveryControlNamed) {
  const DeliverySettings chosen = ChosenSettings();
  for (const DeliverySettings& settings : {DeliverySettings{}, chosen}) {
    PreferencesDialog dialog(settings);
    EXPECT_EQ(dialog.Settings(), settings);
    EXPECT_EQ(UnnamedControls(dialog), "");
    // A label shows its '&' as written unless it has a control to take the key to.
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      EXPECT_TRUE(!label->text().contains(u'&') || label->buddy() != nullptr) << label->text().toStdString();
    }
  }
}
