// The ways an alert reaches the user beside the box: a desktop notification,
// a sound, the user's command, the history of alerts and the room's log,
// each only when chosen. A sink of the room feed that gets every value the
// moment it arrives, so an unattended watch loses nothing behind an open
// box; nothing here runs an event loop or waits for what it starts. A way
// that fails says so in the status line and the watch goes on.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "AlertHistory.h"
#include "AlertSound.h"
#include "CommandRunner.h"
#include "DeliverySettings.h"
#include "DesktopNotifier.h"
#include "FeedSink.h"
#include "RoomLog.h"

class AlertDeliveries : public FeedSink {
 public:
  struct Hooks {
    // A failure to tell the user, for the status line.
    std::function<void(const QString& line)> status;
    // A notification was clicked.
    std::function<void()> showWindow;
    // An alert arrived, after every chosen way has had it.
    std::function<void()> alerted;
    // The room watched, for the log's file.
    std::function<QString()> room;
  };

  explicit AlertDeliveries(Hooks hooks) : hooks_(std::move(hooks)) {}

  // Takes the settings at once: ways no longer chosen stop, new ones start.
  void Apply(const DeliverySettings& settings);
  // The history of alerts; null when none is kept or it could not be opened.
  [[nodiscard]] AlertHistory* History() const { return history_.get(); }

  bool Alert(const AlertValue& alert) override;
  void Line(const RoomLine& line) override;

 private:
  void Tell(const QString& line) const;

  Hooks hooks_;
  DeliverySettings settings_;
  std::unique_ptr<DesktopNotifier> notifier_;
  std::unique_ptr<AlertSound> sound_;
  std::unique_ptr<CommandRunner> command_;
  std::unique_ptr<AlertHistory> history_;
  std::unique_ptr<RoomLog> log_;
  // A history that cannot be written is told once, until it works again.
  bool historyTold_ = false;
};
