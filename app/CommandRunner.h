// Runs the user's command for each alert, for forwarding it to a phone or a
// script. The program runs directly, never through a shell, with no
// arguments and the alert in its environment (KLAXO_SENDER, KLAXO_TEXT,
// KLAXO_WORD, KLAXO_ROOM), so nothing in a message is ever read as a
// command. One runs at a time, in the order of the alerts, and each is
// stopped at its time limit; alerts beyond kMaxWaiting are not run and the
// next outcome says how many. Nothing waits for the program: its end is
// reported through onFinished, a failure as a value, never as a fault.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>

struct AlertFields {
  QString sender;
  QString text;
  QString word;
  QString room;
};

struct CommandOutcome {
  enum class Kind { Succeeded, NotStarted, ExitedWithError, Crashed, TimedOut };
  Kind kind = Kind::Succeeded;
  int exitCode = 0;
  // Alerts not run because too many waited, since the outcome before.
  int dropped = 0;
  // What the status line says: empty when it succeeded.
  QString message;
};

class CommandRunner : public QObject {
  Q_OBJECT
 public:
  static constexpr std::size_t kMaxWaiting = 100;

  CommandRunner(QString program, std::chrono::milliseconds limit, QObject* parent = nullptr);
  ~CommandRunner() override;

  void Run(const AlertFields& alert);
  [[nodiscard]] bool Busy() const { return process_ != nullptr; }

  std::function<void(const CommandOutcome&)> onFinished;

 private:
  void StartNext();
  void Finish(CommandOutcome outcome);

  QString program_;
  std::chrono::milliseconds limit_;
  std::deque<AlertFields> waiting_;
  std::unique_ptr<QProcess> process_;
  QTimer timer_;
  bool timedOut_ = false;
  int dropped_ = 0;
};
