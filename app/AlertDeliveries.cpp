#include "AlertDeliveries.h"

#include <QDir>
#include <chrono>

#include "Report.h"

void AlertDeliveries::Apply(const DeliverySettings& settings) {
  const DeliverySettings before = std::exchange(settings_, settings);
  const auto tell = [this](const QString& line) { Tell(line); };
  if (!settings.notify) {
    notifier_.reset();
  } else if (!notifier_) {
    notifier_ = std::make_unique<DesktopNotifier>();
    notifier_->onActivated = [this] {
      if (hooks_.showWindow) hooks_.showWindow();
    };
    notifier_->onUnavailable = [tell](const QString& reason) {
      tell(QStringLiteral("No desktop notifications: %1").arg(reason));
    };
  }
  if (settings.sound == DeliverySettings::Sound::None) {
    sound_.reset();
  } else if (!sound_) {
    sound_ = std::make_unique<AlertSound>();
    sound_->onFailed = [tell](const QString& reason) {
      tell(QStringLiteral("Cannot play the alert's sound: %1").arg(reason));
    };
  }
  if (settings.command.isEmpty()) {
    command_.reset();
  } else if (!command_ || before.command != settings.command || before.commandSeconds != settings.commandSeconds) {
    command_ = std::make_unique<CommandRunner>(settings.command, std::chrono::seconds(settings.commandSeconds));
    command_->onFinished = [tell](const CommandOutcome& outcome) {
      if (!outcome.message.isEmpty()) tell(outcome.message);
    };
  }
  if (!settings.keepHistory) {
    history_.reset();
  } else if (!history_) {
    QString error;
    history_ = AlertHistory::Open(AlertHistory::DefaultPath(), error);
    if (!history_) {
      Tell(QStringLiteral("Cannot keep the alert history in %1: %2")
               .arg(QDir::toNativeSeparators(AlertHistory::DefaultPath()), error));
    }
  }
  if (!settings.logRoom) {
    log_.reset();
  } else if (!log_) {
    log_ = std::make_unique<RoomLog>(RoomLog::DefaultFolder());
    log_->onFailed = [tell](const QString& reason) { tell(QStringLiteral("Cannot log the room: %1").arg(reason)); };
  }
}

bool AlertDeliveries::Alert(const AlertValue& alert) {
  if (history_) {
    StoredAlert stored{0, alert.time, alert.room, alert.sender, alert.word, alert.text, false};
    if (const auto error = history_->Add(stored)) {
      if (!std::exchange(historyTold_, true)) Tell(QStringLiteral("Cannot store the alert: %1").arg(*error));
    } else {
      historyTold_ = false;
    }
  }
  if (notifier_) {
    const QString title =
        alert.room.isEmpty() ? QStringLiteral("Alert") : QStringLiteral("Alert in %1").arg(alert.room);
    notifier_->Notify(title, alert.sender, alert.text);
  }
  if (sound_) sound_->Play(settings_.sound == DeliverySettings::Sound::File ? settings_.soundFile : QString());
  if (command_) command_->Run({alert.sender, alert.text, alert.word, alert.room});
  if (hooks_.alerted) hooks_.alerted();
  return false;
}

void AlertDeliveries::Line(const RoomLine& line) {
  if (!log_ || line.kind != RoomLine::Kind::Message) return;
  log_->Append(QDateTime::currentDateTimeUtc(), hooks_.room ? hooks_.room() : QString(), line.name, line.text);
}

void AlertDeliveries::Tell(const QString& line) const {
  Report(line);
  if (hooks_.status) hooks_.status(line);
}
