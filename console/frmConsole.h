// The chat console: the room's transcript, the people present, and a box to
// speak in the room. Created once by the main window and shown or hidden on
// demand; it reaches the control and the main window's boxes it needs
// through the references it is built with.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "PeopleIndex.h"
#include "PeopleList.h"
#include "QuovTOCSock.h"
#include "TranscriptBudget.h"

class frmConsole : public QWidget, public PeopleList {
  Q_OBJECT

 public:
  frmConsole(QuovTOCSock& toc, QLineEdit& txtSn, QLineEdit& txtCr, QCheckBox& chkConsole,
             TranscriptBudget transcript = TranscriptBudget());

  // Empties the transcript and the people list; the caption becomes "---".
  void Clear();
  // Replaces the whole transcript with one line in the default format.
  void SetHeader(const QString& text);
  // The sender, emphasized in red for the user's own messages and in blue for
  // others, then the text in black; nothing when the sender is selected in
  // the people list, or when the console is hidden.
  void WriteMessage(const QString& sender, const QString& message);
  // An arrival or departure line, and the people list and count that follow it.
  void WritePersonLine(const QString& name, bool inside);
  // A line saying how many lines were not written because too many waited.
  void WriteLinesNotShown(std::size_t count);
  void ShowPeopleCount();

  void ClearPeople() override;
  void AddPerson(const std::string& name) override;

  QPlainTextEdit* txtChatBox;
  QLineEdit* txtMessage;
  QListWidget* lstUsers;
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
  void AddToPeople(const QString& name);

  QuovTOCSock& toc_;
  QLineEdit& txtSn_;
  QLineEdit& txtCr_;
  QCheckBox& chkConsole_;
  // Kept in step with lstUsers: every change to its entries goes through both.
  PeopleIndex people_;
  TranscriptBudget transcript_;
};
