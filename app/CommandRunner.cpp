#include "CommandRunner.h"

#include <QProcessEnvironment>
#include <utility>

CommandRunner::CommandRunner(QString program, std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), program_(std::move(program)), limit_(limit) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    timedOut_ = true;
    process_->kill();
  });
}

CommandRunner::~CommandRunner() {
  if (!process_) return;
  // The program is not left running on its own when Klaxo ends.
  process_->disconnect(this);
  process_->kill();
  process_->waitForFinished(1000);
}

void CommandRunner::Run(const AlertFields& alert) {
  if (waiting_.size() >= kMaxWaiting) {
    ++dropped_;
    return;
  }
  waiting_.push_back(alert);
  if (!process_) StartNext();
}

void CommandRunner::StartNext() {
  // onFinished may have started the next one already, from a nested loop.
  if (process_ || waiting_.empty()) return;
  const AlertFields alert = std::move(waiting_.front());
  waiting_.pop_front();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("KLAXO_SENDER"), alert.sender);
  environment.insert(QStringLiteral("KLAXO_TEXT"), alert.text);
  environment.insert(QStringLiteral("KLAXO_WORD"), alert.word);
  environment.insert(QStringLiteral("KLAXO_ROOM"), alert.room);
  process_ = std::make_unique<QProcess>();
  process_->setProcessEnvironment(environment);
  process_->setStandardInputFile(QProcess::nullDevice());
  process_->setStandardOutputFile(QProcess::nullDevice());
  process_->setStandardErrorFile(QProcess::nullDevice());
  timedOut_ = false;
  connect(process_.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    Finish({CommandOutcome::Kind::NotStarted, 0, 0,
            QStringLiteral("The alert command %1 could not be started: %2").arg(program_, process_->errorString())});
  });
  connect(process_.get(), &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
    if (timedOut_) {
      Finish({CommandOutcome::Kind::TimedOut, 0, 0,
              QStringLiteral("The alert command %1 was stopped after %2 s")
                  .arg(program_)
                  .arg(std::chrono::duration<double>(limit_).count())});
    } else if (status == QProcess::CrashExit) {
      Finish({CommandOutcome::Kind::Crashed, 0, 0, QStringLiteral("The alert command %1 crashed").arg(program_)});
    } else if (code != 0) {
      Finish({CommandOutcome::Kind::ExitedWithError, code, 0,
              QStringLiteral("The alert command %1 failed with exit status %2").arg(program_).arg(code)});
    } else {
      Finish({});
    }
  });
  timer_.start(limit_);
  // No arguments and no shell: the program is the whole command.
  process_->start(program_, {});
}

void CommandRunner::Finish(CommandOutcome outcome) {
  timer_.stop();
  // Deleted later: this runs inside the process's own signal.
  QProcess* done = process_.release();
  done->disconnect(this);
  done->deleteLater();
  outcome.dropped = std::exchange(dropped_, 0);
  if (outcome.dropped > 0) {
    outcome.message +=
        (outcome.message.isEmpty() ? QString() : QStringLiteral("; ")) +
        QStringLiteral("%1 alerts were not given to the alert command, too many waited").arg(outcome.dropped);
  }
  if (onFinished) onFinished(outcome);
  StartNext();
}
