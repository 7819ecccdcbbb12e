#include "DeliverySettings.h"

#include <algorithm>

namespace {

const QString kBox = QStringLiteral("delivery/alertBox");
const QString kNotify = QStringLiteral("delivery/notify");
const QString kSound = QStringLiteral("delivery/sound");
const QString kSoundFile = QStringLiteral("delivery/soundFile");
const QString kTray = QStringLiteral("delivery/trayMarksUnseen");
const QString kCommand = QStringLiteral("delivery/command");
const QString kCommandSeconds = QStringLiteral("delivery/commandSeconds");
const QString kNeverAlert = QStringLiteral("matching/neverAlert");
const QString kIgnoreOwn = QStringLiteral("matching/ignoreOwnLines");
const QString kHistory = QStringLiteral("history/keep");
const QString kLog = QStringLiteral("log/room");
const QString kTimestamps = QStringLiteral("console/timestamps");

const QString kSoundNames[] = {QStringLiteral("none"), QStringLiteral("theme"), QStringLiteral("file")};

bool Flag(const QSettings& settings, const QString& key, bool fallback) {
  const QVariant value = settings.value(key);
  return value.canConvert<bool>() ? value.toBool() : fallback;
}

}  // namespace

DeliverySettings PlainDelivery() {
  DeliverySettings plain;
  plain.keepHistory = false;
  plain.consoleTimestamps = false;
  return plain;
}

DeliverySettings ReadDeliverySettings(const QSettings& settings) {
  DeliverySettings read;
  read.alertBox = Flag(settings, kBox, read.alertBox);
  read.notify = Flag(settings, kNotify, read.notify);
  const QString sound = settings.value(kSound).toString();
  for (int kind = 0; kind < 3; ++kind) {
    if (sound == kSoundNames[kind]) read.sound = static_cast<DeliverySettings::Sound>(kind);
  }
  read.soundFile = settings.value(kSoundFile).toString();
  read.trayMarksUnseen = Flag(settings, kTray, read.trayMarksUnseen);
  read.command = settings.value(kCommand).toString();
  bool number = false;
  const int seconds = settings.value(kCommandSeconds).toInt(&number);
  if (number) read.commandSeconds = std::clamp(seconds, 1, DeliverySettings::kMaxCommandSeconds);
  read.senders.neverAlert = settings.value(kNeverAlert).toStringList();
  read.senders.ignoreOwnLines = Flag(settings, kIgnoreOwn, read.senders.ignoreOwnLines);
  read.keepHistory = Flag(settings, kHistory, read.keepHistory);
  read.logRoom = Flag(settings, kLog, read.logRoom);
  read.consoleTimestamps = Flag(settings, kTimestamps, read.consoleTimestamps);
  return read;
}

void WriteDeliverySettings(QSettings& settings, const DeliverySettings& delivery) {
  settings.setValue(kBox, delivery.alertBox);
  settings.setValue(kNotify, delivery.notify);
  settings.setValue(kSound, kSoundNames[static_cast<int>(delivery.sound)]);
  settings.setValue(kSoundFile, delivery.soundFile);
  settings.setValue(kTray, delivery.trayMarksUnseen);
  settings.setValue(kCommand, delivery.command);
  settings.setValue(kCommandSeconds, delivery.commandSeconds);
  settings.setValue(kNeverAlert, delivery.senders.neverAlert);
  settings.setValue(kIgnoreOwn, delivery.senders.ignoreOwnLines);
  settings.setValue(kHistory, delivery.keepHistory);
  settings.setValue(kLog, delivery.logRoom);
  settings.setValue(kTimestamps, delivery.consoleTimestamps);
}

std::unique_ptr<QSettings> KlaxoSettings() {
  return std::make_unique<QSettings>(QStringLiteral("klaxo"), QStringLiteral("klaxo"));
}
