// How each alert reaches the user, and which lines may raise one, as kept
// between runs in the program's settings (~/.config/klaxo/klaxo.conf). The
// defaults are the program's behaviour before any of this could be chosen:
// one alert box per word found and nothing else.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

#include "WordMatcher.h"

struct DeliverySettings {
  enum class Sound { None, Theme, File };
  // A command that runs longer than this is stopped.
  static constexpr int kMaxCommandSeconds = 3600;

  bool alertBox = true;
  bool notify = false;
  // Theme: the desktop's sound for a new instant message; File: soundFile.
  Sound sound = Sound::None;
  QString soundFile;
  // The tray icon shows that alerts came while the window was hidden.
  bool trayMarksUnseen = false;
  // Run with the alert in its environment; empty runs nothing.
  QString command;
  int commandSeconds = 30;
  SenderFilter senders;
  bool keepHistory = true;
  bool logRoom = false;
  bool consoleTimestamps = true;

  bool operator==(const DeliverySettings&) const = default;
};

// The program as it was before any of this could be chosen: the alert box
// only, no history and no timestamps; what a window built without settings gets.
DeliverySettings PlainDelivery();

// Values the file does not hold, or holds in a form not understood, read as
// their defaults; a time limit outside 1 s to kMaxCommandSeconds is clamped.
DeliverySettings ReadDeliverySettings(const QSettings& settings);
void WriteDeliverySettings(QSettings& settings, const DeliverySettings& delivery);

// The program's own settings file.
std::unique_ptr<QSettings> KlaxoSettings();
