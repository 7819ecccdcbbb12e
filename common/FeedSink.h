// What the room feed tells those who show or keep the room: the values it
// emits and the interface a sink implements. Every value has a no-op
// default, so a sink overrides only what it shows or keeps, and a new way of
// telling the user is one new sink registered with the feed.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstddef>
#include <optional>
#include <string>

// One line of the room as the user reads it.
struct RoomLine {
  enum class Kind { Message, Arrived, Left, Note };
  Kind kind = Kind::Message;
  // The sender or the person arriving or leaving, as delivered; empty for a note.
  QString name;
  // A message cleaned of its tags, its entities still encoded; a note's text.
  QString text;
  // A message the signed-on user sent.
  bool own = false;
};

// One alert: a message holding a listed word, or the notice of alerts dropped.
struct AlertValue {
  QString sender;
  // The message cleaned of its tags, its entities still encoded.
  QString text;
  // The listed word (a rule's word or pattern) the message matched.
  QString word;
  QString room;
  QDateTime time;
  // Set only for the notice of alerts dropped, which the box shows alone.
  QString notice;
};

// A change of the one people list of the room watched.
struct PeopleChange {
  enum class Kind { Arrived, Left, Cleared };
  Kind kind = Kind::Cleared;
  QString name;  // as delivered; empty for Cleared
};

// The room a transcript starts with: its name and the signed-on name (wire bytes).
struct RoomHeader {
  QString room;
  std::string user;
};

class FeedSink {
 public:
  virtual ~FeedSink() = default;
  // One alert per word found, or the notice of alerts dropped. True when the
  // user dismissed the alerts waiting behind it too.
  virtual bool Alert(const AlertValue& /*alert*/) { return false; }
  virtual void Line(const RoomLine& /*line*/) {}
  // So many lines gave way while too many waited behind an alert box.
  virtual void LinesNotShown(std::size_t /*count*/) {}
  virtual void People(const PeopleChange& /*change*/) {}
  virtual void Status(const QString& /*line*/) {}
  // The transcript starts again: with the room's header, or empty when none is joined.
  virtual void TranscriptStart(const std::optional<RoomHeader>& /*header*/) {}
};
