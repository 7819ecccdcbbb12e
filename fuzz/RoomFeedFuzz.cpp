// The room feed, and the session behind it, driven by any sequence of the
// control's events, the window's own values, timer wakes and button presses,
// with alert boxes that stay open while more arrives and close with OK or
// with the close box. What must hold whatever the sequence:
// - nothing is lost: every line reaches the AtOnce sink at once, and the
//   Shown sink either gets it or is told it was not shown; every alert
//   reaches the AtOnce sink, and with no box closed by its close box each is
//   shown or counted as dropped;
// - order holds: the lines the Shown sink gets are, in order, a part of
//   those the AtOnce sink got;
// - bounds hold: the people list is a model's list, each person once and at
//   most kMaxRoomSize, and what waits stays within its bound.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "Functions.h"
#include "PeopleList.h"
#include "RoomFeed.h"
#include "TextEdge.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

constexpr std::size_t kMaxBytes = 64 * EventQueue::kEntryBytes;
constexpr std::size_t kMaxLines = 16;
constexpr std::size_t kMaxAlerts = 8;
constexpr int kMaxOpenBoxes = 3;

const char* const kNames[] = {"bob", "Bob", "b ob", "carol", "me", "M E", "x\n", ""};
constexpr std::int32_t kRooms[] = {41, 42, 43};

bool Same(const RoomLine& a, const RoomLine& b) {
  return a.kind == b.kind && a.name == b.name && a.text == b.text && a.own == b.own;
}

// Records the lines emitted, in order.
struct AtOnce : FeedSink {
  bool Alert(const AlertValue&) override { return ++alerts, false; }
  void Line(const RoomLine& line) override { lines.push_back(line); }
  std::size_t alerts = 0;
  std::vector<RoomLine> lines;
};

// Finds each line it gets among those emitted, after the one it got before.
struct Shown : FeedSink {
  explicit Shown(const AtOnce& emitted) : emitted(emitted) {}
  void Line(const RoomLine& line) override {
    while (next < emitted.lines.size() && !Same(emitted.lines[next], line)) ++next;
    Check(next < emitted.lines.size());
    ++next;
    ++lines;
  }
  void LinesNotShown(std::size_t count) override { notShown += count; }
  const AtOnce& emitted;
  std::size_t next = 0;
  std::size_t lines = 0;
  std::size_t notShown = 0;
};

class Run {
 public:
  explicit Run(FuzzedDataProvider& data)
      : data_(data),
        session_({data.ConsumeBool(), data.ConsumeBool()}, [] { return 0.5; }),
        feed_([this](const Session::Event& event) { session_.Handle(event, now_); }, kMaxBytes, kMaxLines, kMaxAlerts) {
    feed_.AddSink(shown_);
    feed_.AddSink(box_);
    feed_.AddSink(atOnce_, RoomFeed::Delivery::AtOnce);
    box_.run = this;
  }

  void Steps() {
    while (data_.remaining_bytes() > 0) Step();
    Check(atOnce_.lines.size() == sent_);
    Check(shown_.lines + shown_.notShown == sent_);
    Check(atOnce_.alerts == alertsSent_);
    if (!box_.dismissed) Check(box_.alerts + box_.dropped == alertsSent_);
    Check(feed_.Waiting().WaitingBytes() == 0);
  }

 private:
  struct Box : FeedSink {
    bool Alert(const AlertValue& alert) override {
      const QString& text = alert.notice;
      if (text.endsWith(QStringLiteral("more alerts were dropped: too many were waiting to be shown."))) {
        dropped += static_cast<std::size_t>(text.section(QLatin1Char(' '), 0, 0).toULongLong());
      } else {
        ++alerts;
      }
      // The box's event loop: more arrives while it is open.
      if (open < kMaxOpenBoxes) {
        ++open;
        for (int i = run->data_.ConsumeIntegralInRange(0, 8); i > 0 && run->data_.remaining_bytes() > 0; --i) {
          run->Step();
        }
        --open;
      }
      const bool all = run->data_.ConsumeBool();
      dismissed = dismissed || all;
      return all;
    }
    Run* run = nullptr;
    int open = 0;
    std::size_t alerts = 0;
    std::size_t dropped = 0;
    bool dismissed = false;
  };

  std::string Name() { return kNames[data_.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)]; }
  std::int32_t Room() { return kRooms[data_.ConsumeIntegralInRange<std::size_t>(0, std::size(kRooms) - 1)]; }

  void Step() {
    now_ += Session::Time(data_.ConsumeIntegralInRange(0, 200000));
    std::string name = Name();
    std::int32_t room = Room();
    const int what = data_.ConsumeIntegralInRange(0, 12);
    // The list is the room's: a session's end, another room or leaving it empties it.
    if (what <= 2 || (what == 3 && room != feed_.Room()) || (what == 4 && room == feed_.Room())) {
      people_.clear();
      order_.clear();
    }
    switch (what) {
      case 0: {
        Collection<std::string> none;
        feed_.LoggedIn(name, none, none, none, none, "", 0);
        break;
      }
      case 1:
        feed_.LoggedOut(name);
        break;
      case 2:
        feed_.WinsockError(name);
        break;
      case 3:
        feed_.JoinedChat(name, room);
        break;
      case 4:
        feed_.LeftChat(room);
        break;
      case 5:
      case 6: {
        // Each listed word the message holds raises an alert.
        std::string text = "<b>a</b> w&amp;";
        const int words = data_.ConsumeIntegralInRange(0, 3);
        alertsSent_ += static_cast<std::size_t>(words);
        feed_.SetWords(WordMatcher(QList<WordRule>(words, WordRule{QStringLiteral("w")})));
        feed_.ChatMessage(room, name, text);
        ++sent_;
        break;
      }
      case 7: {
        const bool inside = data_.ConsumeBool();
        const std::string key = Normalize(name);
        if (room == feed_.Room()) {
          if (inside && !people_.contains(key) && people_.size() < kMaxRoomSize) {
            people_[key] = name;
            order_.push_back(key);
          } else if (!inside && people_.erase(key) > 0) {
            order_.erase(std::find(order_.begin(), order_.end(), key));
          }
        }
        feed_.ChatUserUpdate(name, inside, room);
        ++sent_;
        break;
      }
      case 8:
        feed_.ShowNote(QString::fromStdString(name));
        ++sent_;
        break;
      case 9:
        feed_.ShowStatus(QString::fromStdString(name));
        break;
      case 10:
        feed_.StartTranscript(data_.ConsumeBool() ? std::optional<QString>(QString::fromStdString(name))
                                                  : std::nullopt);
        break;
      case 11:
        session_.Handle(Session::TimerFired{data_.ConsumeIntegral<std::uint32_t>()}, now_);
        break;
      case 12:
        switch (data_.ConsumeIntegralInRange(0, 2)) {
          case 0:
            session_.Handle(Session::SignOnPressed{name, "pw"}, now_);
            break;
          case 1:
            session_.Handle(Session::JoinPressed{{name, 4}}, now_);
            break;
          default:
            session_.Handle(Session::SignOffPressed{}, now_);
            break;
        }
        break;
    }
    CheckBounds();
  }

  void CheckBounds() const {
    const PeopleIndex& people = feed_.People();
    Check(people.Size() == order_.size());
    for (std::size_t row = 0; row < order_.size(); ++row) {
      Check(Normalize(ToWire(people.At(row))) == order_[row]);
    }
    // Past the bound only the two latest states may wait.
    Check(feed_.Waiting().WaitingBytes() <= kMaxBytes + 2 * (EventQueue::kEntryBytes + 64));
  }

  FuzzedDataProvider& data_;
  Session::Time now_{};
  Session session_;
  RoomFeed feed_;
  AtOnce atOnce_;
  Shown shown_{atOnce_};
  Box box_;
  std::map<std::string, std::string> people_;
  std::vector<std::string> order_;
  std::size_t sent_ = 0;
  std::size_t alertsSent_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  Run(data).Steps();
  return 0;
}
