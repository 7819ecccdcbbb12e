// The chat console: the room's transcript, the people present, and a box to
// speak in the room. Created once by the main window and shown or hidden on
// demand; it reaches the control and the main window's boxes it needs
// through the references it is built with.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <cstddef>

#include "PeopleList.h"
#include "PeopleModel.h"
#include "QuovTOCSock.h"
#include "TranscriptBudget.h"

class frmConsole : public QWidget, public PeopleList {
  Q_OBJECT

 public:
  frmConsole(QuovTOCSock& toc, QLineEdit& txtSn, QLineEdit& txtCr, QCheckBox& chkConsole,
             TranscriptBudget transcript = TranscriptBudget());

  // Empties the transcript and the people list; the caption becomes "---".
  void Clear();
  // Empties the transcript; the caption becomes "---".
  void ClearTranscript();
  // The room the console shows: the caption names it and the user's
  // normalized name, the whole transcript becomes one header line in the
  // default format, and the count shows the people list's entries.
  void ShowRoom(const QString& room, const std::string& user);
  // The sender, emphasized in red for the user's own messages and in blue for
  // others, then the message's text in black; nothing when the sender is
  // selected in the people list, or when the console is hidden. cleaned: the
  // message with its tags removed; its entities are decoded here.
  void WriteMessage(const QString& sender, const QString& cleaned);
  // An arrival or departure line.
  void WritePersonLine(const QString& name, bool inside);
  // An arrival or departure in the people list and its count; nothing when
  // the console is hidden.
  void ChangePeople(const QString& name, bool inside);
  // A line saying how many lines were not written because too many waited.
  void WriteLinesNotShown(std::size_t count);
  // What the server said of the user's own lines, such as one it dropped.
  void WriteServerNote(const QString& text);
  void ShowPeopleCount();

  // Empties the people list and sets its count to "0".
  void ClearPeople() override;
  void AddPerson(const std::string& name) override;

  QPlainTextEdit* txtChatBox;
  QLineEdit* txtMessage;
  QListView* lstUsers;
  QPushButton* cmdSend;
  QLabel* lblPpl;
  QLabel* Label1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void cmdSend_Click();
  // Appends a line at the end of the transcript, the name emphasized in
  // nameFormat and the rest plain black, and follows it.
  void AppendLine(const QString& name, const QTextCharFormat& nameFormat, const QString& rest);
  // A plain line of the console's own, not said in the room.
  void WriteNote(const QString& text);

  QuovTOCSock& toc_;
  QLineEdit& txtSn_;
  QLineEdit& txtCr_;
  QCheckBox& chkConsole_;
  // What lstUsers shows.
  PeopleModel* people_;
  // Whether the user has been told that the people list is full since it was last emptied.
  bool toldFull_ = false;
  TranscriptBudget transcript_;
};
