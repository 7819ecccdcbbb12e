// Runs the window's handling of the control's events one at a time.
//
// An alert box runs a nested event loop, inside which the connection keeps
// being served and the control keeps raising events. Handling them there
// would open a second box over the first and show later effects before
// earlier ones; instead, work that arrives while other work is running waits
// here and runs, in arrival order, once the running work has returned.
//
// What waits is bounded by the bytes it holds, whatever the server sends, and
// what gives when the bound is reached is fixed:
// - session work (sign-on and room state, arrivals and departures) always
//   waits, so the window ends as it would have with no box open;
// - messages' console lines go first, oldest first, those of messages that
//   raise no alert before those that do; a notice in the place of the first
//   one says how many were not shown;
// - a message's alerts wait while they fit; those that do not, and the
//   newest waiting ones when session work needs their room, are counted, and
//   once everything else has run one more alert says how many.
// Nothing is dropped without the user being told.
#pragma once

#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <optional>

class EventQueue {
 public:
  static constexpr std::size_t kMaxWaitingBytes = std::size_t{64} << 20;
  // What a waiting entry holds beside its text: its list node, its closure
  // and its place in the lists of droppable lines.
  static constexpr std::size_t kEntryBytes = 256;

  // A chat message as it waits: the alerts it raises, then its console line.
  struct Message {
    QString alert;
    std::size_t alerts = 0;      // how many times alert is shown, one per matching word
    std::function<void()> line;  // writes the console line; empty for none
    std::size_t lineBytes = 0;   // what line holds
  };

  // How the queue shows a message's alerts and its two notices.
  struct Presenter {
    std::function<void(const QString& alert)> showAlert;
    std::function<void(std::size_t lines)> linesNotShown;
    std::function<void(std::size_t alerts)> alertsDropped;
  };

  explicit EventQueue(Presenter presenter, std::size_t maxWaitingBytes = kMaxWaitingBytes);

  // Runs session work now, or after the work already running and waiting; it
  // is never dropped. bytes: what the work holds.
  void Run(std::function<void()> work, std::size_t bytes = 0);
  // Shows a message's alerts and writes its line, now or after the work
  // already running and waiting.
  void Run(Message message);
  // Drops the waiting work and runs nothing more; used when the program ends.
  void Discard();
  [[nodiscard]] bool Busy() const { return running_; }
  [[nodiscard]] std::size_t WaitingBytes() const { return bytes_; }
  [[nodiscard]] std::size_t PeakWaitingBytes() const { return peak_; }

 private:
  struct Entry {
    enum Kind { Work, Message, Notice };
    Kind kind = Work;
    std::function<void()> work;  // a message's console line, empty once dropped
    std::size_t workBytes = 0;
    QString alert;
    std::size_t alerts = 0;
    std::size_t notShown = 0;  // a notice's count of lines
  };
  using Position = std::list<Entry>::iterator;

  static std::size_t Cost(const Entry& entry);
  void Wait(Entry entry);
  void Append(Entry entry);
  // Drops console lines, then when alerts too is set the newest alerts, until
  // need more bytes fit; false when they cannot.
  bool MakeRoom(std::size_t need, bool alerts);
  // Counts a line not shown, in the waiting notice or in a new one before at.
  void NoteNotShown(Position at);
  void Drain();
  void Execute(Entry& entry);

  Presenter presenter_;
  std::size_t maxBytes_;
  std::list<Entry> pending_;
  // Waiting entries that still have a console line, oldest first.
  std::deque<Position> plainLines_;
  std::deque<Position> alertLines_;
  // Waiting entries with alerts, oldest first.
  std::deque<Position> alerting_;
  std::optional<Position> notice_;
  std::size_t alertsDropped_ = 0;
  std::size_t bytes_ = 0;
  std::size_t peak_ = 0;
  bool running_ = false;
  bool stopped_ = false;
};
