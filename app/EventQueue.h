// Runs the window's handling of the control's events one at a time.
//
// An alert box runs a nested event loop, inside which the connection keeps
// being served and the control keeps raising events. Handling them there
// would open a second box over the first and show later effects before
// earlier ones; instead, work that arrives while other work is running waits
// here and runs, in arrival order, once the running work has returned.
//
// What waits is bounded whatever the server sends. Each kind of work has one
// of three policies, which fixes what gives when too much waits:
// - Alert: a chat message's alerts, then its console line. The waiting
//   alerts are bounded by count and by bytes; those past either bound are
//   counted, and one more alert says how many once everything has run.
//   Closing a box, that notice's too, with its close box instead of OK
//   dismisses the alerts that wait behind it.
// - Line: a console line. Lines give way, oldest first, those of messages
//   that raise no alert before those that do, when their bytes pass the
//   bound or there are more of them than the transcript keeps; one line
//   says how many once everything has run.
// - State: what the window will show of one thing (the status line, the
//   transcript's start). Only the latest waits: it replaces the one before
//   and takes its place after the work that came before it, so what waits
//   follows what the window will show, not how often the server repeats it.
// Nothing is dropped without the user being told, or asking for it.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <optional>
#include <variant>

#include "FeedSink.h"
#include "TranscriptBudget.h"

class EventQueue {
 public:
  static constexpr std::size_t kMaxWaitingBytes = std::size_t{64} << 20;
  // Lines beyond what the transcript keeps would only push each other out of it.
  static constexpr std::size_t kMaxWaitingLines = TranscriptBudget::kMaxLines;
  // More boxes than anyone would dismiss one at a time.
  static constexpr std::size_t kMaxWaitingAlerts = 1000;
  // What a waiting entry holds beside its text: its list node, its closure
  // and its place in the lists of droppable lines.
  static constexpr std::size_t kEntryBytes = 256;

  // A chat message: its alert shown times times, then its console line.
  struct Alert {
    AlertValue value;
    std::size_t times = 0;
    std::function<void()> line;  // empty for none
    std::size_t lineBytes = 0;   // what line holds
    // Each alert's word, in order, when they differ from the value's.
    QStringList words;
  };
  struct Line {
    std::function<void()> write;
    std::size_t bytes = 0;
  };
  // The things whose state waits; one State of each waits at most.
  enum class Shown { StatusLine, TranscriptStart };
  struct State {
    Shown what;
    std::function<void()> show;
    std::size_t bytes = 0;
  };
  using Work = std::variant<Alert, Line, State>;

  // How the queue shows alerts and its two notices. An alert and the notice
  // of alerts dropped answer true when the user closed the box to dismiss
  // the waiting alerts too.
  struct Presenter {
    std::function<bool(const AlertValue& alert)> showAlert;
    std::function<void(std::size_t lines)> linesNotShown;
    std::function<bool(std::size_t alerts)> alertsDropped;
  };

  explicit EventQueue(Presenter presenter, std::size_t maxWaitingBytes = kMaxWaitingBytes,
                      std::size_t maxWaitingLines = kMaxWaitingLines, std::size_t maxWaitingAlerts = kMaxWaitingAlerts);

  // Runs the work now, or after the work already running and waiting, as
  // its policy allows.
  void Run(Work work);
  // Drops the waiting work and runs nothing more; used when the program ends.
  void Discard();
  [[nodiscard]] std::size_t WaitingBytes() const { return pending_.Bytes(); }
  [[nodiscard]] std::size_t PeakWaitingBytes() const { return pending_.PeakBytes(); }

 private:
  struct Entry {
    enum class Policy { Alert, Line, State };
    Policy policy = Policy::Line;
    std::function<void()> work;  // a line, empty once dropped, or a state's show
    std::size_t workBytes = 0;
    AlertValue alert;
    std::size_t alerts = 0;
    QStringList words;
    Shown shown = Shown::StatusLine;
  };

  // The waiting entries in arrival order, with the indexes of the lines that
  // may be dropped, the state of each thing shown and the bytes and alerts
  // they hold, kept in step by every change.
  class Pending {
   public:
    static std::size_t Cost(const Entry& entry);
    static std::size_t AlertCost(const Entry& entry);
    void PushBack(Entry entry);
    Entry PopFront();
    // Drops the oldest line, a plain message's before an alerting one's;
    // false when no line waits.
    bool DropOldestLine();
    // Drops every waiting alert, keeping the lines.
    void DropAlerts();
    void Clear();
    [[nodiscard]] bool Empty() const { return entries_.empty(); }
    [[nodiscard]] std::size_t Lines() const { return plainLines_.size() + alertLines_.size(); }
    [[nodiscard]] std::size_t Bytes() const { return bytes_; }
    [[nodiscard]] std::size_t AlertBytes() const { return alertBytes_; }
    [[nodiscard]] std::size_t Alerts() const { return alerts_; }
    [[nodiscard]] std::size_t PeakBytes() const { return peak_; }

   private:
    using Position = std::list<Entry>::iterator;
    void Erase(Position at);
    std::list<Entry> entries_;
    // Entries that still have a console line, oldest first.
    std::deque<Position> plainLines_;
    std::deque<Position> alertLines_;
    std::array<std::optional<Position>, 2> states_;
    std::size_t bytes_ = 0;
    std::size_t alertBytes_ = 0;
    std::size_t alerts_ = 0;
    std::size_t peak_ = 0;
  };

  // Runs the entry at once when nothing runs, otherwise lets it wait.
  void RunOrWait(Entry entry);
  // Keeps the entry, or what of it fits, until the work before it has run.
  void Wait(Entry entry);
  // Drops console lines, oldest first, until need more bytes and lines more
  // lines fit; false when they cannot.
  bool MakeRoom(std::size_t need, std::size_t lines);
  void Drain();
  void Execute(Entry& entry);
  // The user closed a box to dismiss the alerts behind it, those counted too.
  void DismissWaitingAlerts();

  Presenter presenter_;
  std::size_t maxBytes_;
  std::size_t maxLines_;
  std::size_t maxAlerts_;
  Pending pending_;
  std::size_t linesNotShown_ = 0;
  std::size_t alertsDropped_ = 0;
  bool running_ = false;
  bool stopped_ = false;
};
