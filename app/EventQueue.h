// Runs the window's handling of the control's events one at a time.
//
// An alert box runs a nested event loop, inside which the connection keeps
// being served and the control keeps raising events. Handling them there
// would open a second box over the first and show later effects before
// earlier ones; instead, work that arrives while other work is running waits
// here and runs, in arrival order, once the running work has returned.
//
// What waits is bounded whatever the server sends, and what gives when a
// bound is reached is fixed:
// - session work (sign-on and room state) always waits, so the window ends as
//   it would have with no box open; it takes room only from console lines;
// - console lines go first, oldest first, those of messages that raise no
//   alert before those that do, when their bytes pass the bound or there are
//   more of them than the transcript keeps;
// - a message's alerts wait while the waiting alerts fit the bound; those
//   that do not are counted.
// Once everything has run, one line says how many console lines were not
// shown and then one more alert says how many alerts were dropped. Nothing
// is dropped without the user being told.
#pragma once

#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>

#include "TranscriptBudget.h"

class EventQueue {
 public:
  static constexpr std::size_t kMaxWaitingBytes = std::size_t{64} << 20;
  // Lines beyond what the transcript keeps would only push each other out of it.
  static constexpr std::size_t kMaxWaitingLines = TranscriptBudget::kMaxLines;
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
    // Each time all waiting work has run, before the notices.
    std::function<void()> drained = [] {};
  };

  explicit EventQueue(Presenter presenter, std::size_t maxWaitingBytes = kMaxWaitingBytes,
                      std::size_t maxWaitingLines = kMaxWaitingLines);

  // Runs session work now, or after the work already running and waiting; it
  // is never dropped. bytes: what the work holds.
  void Run(std::function<void()> work, std::size_t bytes = 0);
  // Shows a message's alerts and writes its line, now or after the work
  // already running and waiting.
  void Run(Message message);
  // Drops the waiting work and runs nothing more; used when the program ends.
  void Discard();
  [[nodiscard]] bool Busy() const { return running_; }
  [[nodiscard]] std::size_t WaitingBytes() const { return pending_.Bytes(); }
  [[nodiscard]] std::size_t PeakWaitingBytes() const { return pending_.PeakBytes(); }

 private:
  struct Entry {
    // Session work is kept whole; a message may lose its line.
    enum class Kind { Session, Message };
    Kind kind = Kind::Session;
    std::function<void()> work;  // a message's console line, empty once dropped
    std::size_t workBytes = 0;
    QString alert;
    std::size_t alerts = 0;
  };

  // The waiting entries in arrival order, with the indexes of the lines that
  // may be dropped and the bytes they hold, kept in step by every change.
  class Pending {
   public:
    static std::size_t Cost(const Entry& entry);
    static std::size_t AlertCost(const Entry& entry);
    void PushBack(Entry entry);
    Entry PopFront();
    // Drops the oldest line, a plain message's before an alerting one's;
    // false when no line waits.
    bool DropOldestLine();
    void Clear();
    [[nodiscard]] bool Empty() const { return entries_.empty(); }
    [[nodiscard]] std::size_t Lines() const { return plainLines_.size() + alertLines_.size(); }
    [[nodiscard]] std::size_t Bytes() const { return bytes_; }
    [[nodiscard]] std::size_t AlertBytes() const { return alertBytes_; }
    [[nodiscard]] std::size_t PeakBytes() const { return peak_; }

   private:
    using Position = std::list<Entry>::iterator;
    std::list<Entry> entries_;
    // Entries that still have a console line, oldest first.
    std::deque<Position> plainLines_;
    std::deque<Position> alertLines_;
    std::size_t bytes_ = 0;
    std::size_t alertBytes_ = 0;
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

  Presenter presenter_;
  std::size_t maxBytes_;
  std::size_t maxLines_;
  Pending pending_;
  std::size_t linesNotShown_ = 0;
  std::size_t alertsDropped_ = 0;
  bool running_ = false;
  bool stopped_ = false;
};
