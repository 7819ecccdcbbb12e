#include "frmConsole.h"

#include <QCloseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <limits>

#include "ConsoleText.h"
#include "TextEdge.h"
#include "Twips.h"

namespace {

// A hostile or very busy room must not grow the transcript without bound.
constexpr int kTranscriptLines = 10000;

QTextCharFormat NameFormat(const QColor& colour) {
  QTextCharFormat format;
  format.setForeground(colour);
  format.setFontWeight(QFont::Bold);
  return format;
}

QTextCharFormat PlainFormat() {
  QTextCharFormat format;
  format.setForeground(QColor(0, 0, 0));
  format.setFontWeight(QFont::Normal);
  return format;
}

}  // namespace

frmConsole::frmConsole(QuovTOCSock& toc, QLineEdit& txtSn, QLineEdit& txtCr, QCheckBox& chkConsole)
    : toc_(toc), txtSn_(txtSn), txtCr_(txtCr), chkConsole_(chkConsole) {
  setObjectName(QStringLiteral("frmConsole"));
  setWindowTitle(QStringLiteral("Chat Console"));
  setFixedSize(Px(6090), Px(3615));

  cmdSend = Place(new QPushButton(QStringLiteral("Send"), this), "cmdSend", 4440, 3240, 1575, 255);
  lstUsers = Place(new QListWidget(this), "lstUsers", 4440, 360, 1575, 2790);
  lstUsers->setSelectionMode(QAbstractItemView::SingleSelection);
  lstUsers->setAccessibleName(QStringLiteral("People here"));
  txtMessage = Place(new QLineEdit(this), "txtMessage", 120, 3240, 4215, 285);
  txtMessage->setMaxLength(std::numeric_limits<int>::max());  // Qt would stop at 32,767 characters
  txtMessage->setAccessibleName(QStringLiteral("Message to send"));
  // A plain-text box still carries a colour and weight per character, and it
  // lays out only what is on screen, so appending stays cheap as it grows.
  txtChatBox = Place(new QPlainTextEdit(this), "txtChatBox", 120, 120, 4215, 3015);
  txtChatBox->setReadOnly(true);
  txtChatBox->document()->setMaximumBlockCount(kTranscriptLines);
  txtChatBox->setAccessibleName(QStringLiteral("Chat transcript"));
  lblPpl = Place(new QLabel(QStringLiteral("0"), this), "lblPpl", 5520, 120, 375, 255);
  lblPpl->setTextFormat(Qt::PlainText);
  Label1 = Place(new QLabel(QStringLiteral("People Here"), this), "Label1", 4440, 120, 975, 255);

  setTabOrder(txtChatBox, txtMessage);
  setTabOrder(txtMessage, lstUsers);
  setTabOrder(lstUsers, cmdSend);

  connect(cmdSend, &QPushButton::clicked, this, &frmConsole::cmdSend_Click);
  connect(txtMessage, &QLineEdit::returnPressed, this, &frmConsole::cmdSend_Click);
}

void frmConsole::Clear() {
  txtChatBox->clear();
  lstUsers->clear();
  lblPpl->setText(QStringLiteral("0"));
  setWindowTitle(QStringLiteral("---"));
}

void frmConsole::SetHeader(const QString& text) {
  txtChatBox->clear();
  QTextCursor cursor(txtChatBox->document());
  cursor.insertText(text, QTextCharFormat());
}

void frmConsole::WriteMessage(const QString& sender, const QString& message) {
  if (!isVisible()) return;
  const QString text = DisplayText(message);
  for (int i = 0; i < lstUsers->count(); ++i) {
    const QListWidgetItem* entry = lstUsers->item(i);
    if (entry->isSelected() && SamePerson(entry->text(), sender)) return;
  }
  const bool own = SamePerson(sender, txtSn_.text());
  AppendLine(QStringLiteral("\n") + sender + QStringLiteral(":"),
             NameFormat(own ? QColor(255, 0, 0) : QColor(0, 0, 255)), QStringLiteral(" ") + text);
}

void frmConsole::WritePersonLine(const QString& name, bool inside) {
  if (!isVisible()) return;
  AppendLine(QStringLiteral("\n") + name, NameFormat(QColor(0, 0, 0)),
             inside ? QStringLiteral(" has entered the room.") : QStringLiteral(" has left the room."));
  if (inside) {
    lstUsers->addItem(name);
  } else {
    for (int i = 0; i < lstUsers->count(); ++i) {
      if (SamePerson(lstUsers->item(i)->text(), name)) {
        delete lstUsers->takeItem(i);
        break;
      }
    }
  }
  ShowPeopleCount();
}

void frmConsole::ShowPeopleCount() { lblPpl->setText(QString::number(lstUsers->count())); }

void frmConsole::ClearPeople() { lstUsers->clear(); }

void frmConsole::AddPerson(const std::string& name) { lstUsers->addItem(FromWire(name)); }

void frmConsole::closeEvent(QCloseEvent* event) {
  chkConsole_.setChecked(false);
  event->accept();
}

void frmConsole::cmdSend_Click() {
  if (txtMessage->text().isEmpty()) return;
  toc_.SendChat(ToWire(txtCr_.text()), ToWire(OutgoingMessage(txtMessage->text())), toc_.LastChatID);
  txtMessage->clear();
}

void frmConsole::AppendLine(const QString& name, const QTextCharFormat& nameFormat, const QString& rest) {
  QTextCursor cursor(txtChatBox->document());
  // One edit, so the new line is laid out once rather than once per piece.
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(name, nameFormat);
  cursor.insertText(rest, PlainFormat());
  cursor.endEditBlock();
  QScrollBar* bar = txtChatBox->verticalScrollBar();
  bar->setValue(bar->maximum());
}
