// The chat console: the room's transcript, the people present, and a box to
// speak in the room. Created once by the main window and shown or hidden on
// demand; a sink of the room feed, it shows what the feed emits while it is
// shown, and speaks through the control it is built with. It opens at its
// design size and may be resized and maximized: the transcript and the
// people list take the room.
//
// The transcript follows new lines while its view is at the end; a reader
// scrolled up stays where they are until they scroll to the end again, and
// a selection being made with the mouse is left alone.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "FeedSink.h"
#include "PeopleIndex.h"
#include "PeopleModel.h"
#include "QuovTOCSock.h"
#include "TranscriptBudget.h"

class frmConsole : public QWidget, public FeedSink {
  Q_OBJECT

 public:
  explicit frmConsole(QuovTOCSock& toc, TranscriptBudget transcript = TranscriptBudget());

  // Empties the transcript and the people list; the caption becomes "---".
  void Clear();
  // Empties the transcript; the caption becomes "---".
  void ClearTranscript();
  // The room the console shows and speaks in: the caption names it and the
  // user's normalized name, the whole transcript becomes one header line in
  // the default format, and the count shows the people list's entries.
  void ShowRoom(const QString& room, const std::string& user);
  // The people list becomes the room's, in its order.
  void FillPeople(const PeopleIndex& people);
  // The sender, emphasized in red for the user's own messages and in blue for
  // others, then the message's text in black; nothing when the sender is
  // selected in the people list, or when the console is hidden. cleaned: the
  // message with its tags removed; its entities are decoded here.
  void WriteMessage(const QString& sender, const QString& cleaned, bool own);
  // An arrival or departure line.
  void WritePersonLine(const QString& name, bool inside);
  // An arrival or departure in the people list and its count; nothing when
  // the console is hidden. The feed names each person once.
  void ChangePeople(const QString& name, bool inside);
  // A line saying how many lines were not written because too many waited.
  void WriteLinesNotShown(std::size_t count);
  // What the server said of the user's own lines, such as one it dropped.
  void WriteServerNote(const QString& text);
  void ShowPeopleCount();
  // Each line from now on starts with what stamp gives (the time it was
  // written); an empty stamp writes none, as a console built without one.
  void SetTimestamps(std::function<QString()> stamp) { stamp_ = std::move(stamp); }

  // Empties the people list and sets its count to "0".
  void ClearPeople();

  // The console as a sink of the room feed.
  void Line(const RoomLine& line) override;
  void LinesNotShown(std::size_t count) override;
  void People(const PeopleChange& change) override;
  void TranscriptStart(const std::optional<RoomHeader>& header) override;

  QPlainTextEdit* txtChatBox;
  QLineEdit* txtMessage;
  QListView* lstUsers;
  QPushButton* cmdSend;
  QLabel* lblPpl;
  QLabel* Label1;

 signals:
  // Closed with its close box.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cmdSend_Click();
  // Appends a line at the end of the transcript, after its time when
  // timestamps are on, the name emphasized in nameFormat and the rest plain
  // black.
  void AppendLine(const QString& name, const QTextCharFormat& nameFormat, const QString& rest);
  // A plain line of the console's own, not said in the room.
  void WriteNote(const QString& text);

  // Follows the newest line once the view has caught up, if it was at the end.
  void FollowNewLines();

  QuovTOCSock& toc_;
  // The room spoken in, as the feed named it.
  std::string room_;
  // Whether the view is at the end, and whether a mouse selection is being made.
  bool following_ = true;
  bool selecting_ = false;
  // What lstUsers shows.
  PeopleModel* people_;
  // Whether the user has been told that the people list is full since it was last emptied.
  bool toldFull_ = false;
  TranscriptBudget transcript_;
  std::function<QString()> stamp_;
};
