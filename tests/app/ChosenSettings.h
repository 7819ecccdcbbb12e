// Ways of delivery with every setting away from its default, for the tests
// that read, write or show all of them.
#pragma once

#include "DeliverySettings.h"

inline DeliverySettings ChosenSettings() {
  return {.alertBox = false,
          .notify = true,
          .sound = DeliverySettings::Sound::File,
          .soundFile = "/tmp/ding.oga",
          .trayMarksUnseen = true,
          .command = "/usr/bin/forward",
          .commandSeconds = 7,
          .senders = {{"Quiet Bot", "x"}, true},
          .keepHistory = false,
          .logRoom = true,
          .consoleTimestamps = false};
}
