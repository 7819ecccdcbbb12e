#include "DeliveryOptions.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kNotify = QStringLiteral("notify");
const QString kSound = QStringLiteral("sound");
const QString kRun = QStringLiteral("run");
const QString kNoBox = QStringLiteral("no-box");

}  // namespace

QList<QCommandLineOption> DeliveryCommandLineOptions() {
  return {
      QCommandLineOption(kNotify, QStringLiteral("Show a desktop notification for every alert; clicking it shows "
                                                 "Klaxo.")),
      QCommandLineOption(kSound, QStringLiteral("Play the desktop's sound for a new message at every alert.")),
      QCommandLineOption(kRun,
                         QStringLiteral("Run PROGRAM at every alert, one at a time, with KLAXO_SENDER, KLAXO_TEXT, "
                                        "KLAXO_WORD and KLAXO_ROOM in its environment; it is stopped after the "
                                        "settings' time limit (30 s unless changed). It is run directly, not "
                                        "through a shell, with no arguments."),
                         QStringLiteral("PROGRAM")),
      QCommandLineOption(kNoBox, QStringLiteral("Raise no alert box (use with --notify, --sound or --run).")),
  };
}

std::optional<QString> ApplyDeliveryOptions(const QCommandLineParser& parser, DeliverySettings& delivery) {
  DeliverySettings applied = delivery;
  if (parser.isSet(kRun)) {
    const QString program = parser.value(kRun);
    if (program.isEmpty()) return QStringLiteral("--run wants a program");
    // A bare name is looked up on PATH now, so that a misspelt one is told
    // at start rather than at the first alert.
    const QString found = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    const QFileInfo info(found);
    if (found.isEmpty() || !info.isFile() || !info.isExecutable()) {
      return QStringLiteral("--run wants a program that can be run, and \"%1\" is none").arg(program);
    }
    applied.command = info.absoluteFilePath();
  }
  if (parser.isSet(kNotify)) applied.notify = true;
  if (parser.isSet(kSound)) applied.sound = DeliverySettings::Sound::Theme;
  if (parser.isSet(kNoBox)) applied.alertBox = false;
  delivery = applied;
  return std::nullopt;
}
