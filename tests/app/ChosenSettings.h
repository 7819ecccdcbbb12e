// Ways of delivery with every setting away from its default, for the tests
// that read, write or show all of them.
#pragma once

#include "DeliverySettings.h"

inline DeliverySettings ChosenSettings() {
  DeliverySettings chosen;
  chosen.alertBox = false;
  chosen.notify = true;
  chosen.sound = DeliverySettings::Sound::File;
  chosen.soundFile = "/tmp/ding.oga";
  chosen.trayMarksUnseen = true;
  chosen.command = "/usr/bin/forward";
  chosen.commandSeconds = 7;
  chosen.senders = {{"Quiet Bot", "x"}, true};
  chosen.keepHistory = false;
  chosen.logRoom = true;
  chosen.consoleTimestamps = false;
  return chosen;
}
