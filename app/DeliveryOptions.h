// The command line's ways of delivery for one run, as an autostarted watch
// needs them: they override the settings for that run and are not saved.
//   --notify          a desktop notification per alert
//   --sound           the desktop's sound for a new message per alert
//   --run PROGRAM     run PROGRAM per alert (never through a shell)
//   --no-box          no alert box
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <optional>

#include "DeliverySettings.h"

QList<QCommandLineOption> DeliveryCommandLineOptions();

// Applies the options that parser found to delivery. Without a value all
// were sound; otherwise the text says which one is wrong, for standard
// error, and nothing was applied.
std::optional<QString> ApplyDeliveryOptions(const QCommandLineParser& parser, DeliverySettings& delivery);
