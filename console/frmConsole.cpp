#include "frmConsole.h"

#include <QCloseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <limits>
#include <utility>

#include "ConsoleText.h"
#include "Functions.h"
#include "ShownLine.h"
#include "TextEdge.h"
#include "Twips.h"

namespace {

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

// An entry of the people list shows its name as one line; the name as
// delivered, when it differs, is kept under this role.
constexpr int kDeliveredName = Qt::UserRole;

QString DeliveredName(const QListWidgetItem& entry) {
  const QVariant delivered = entry.data(kDeliveredName);
  return delivered.isValid() ? delivered.toString() : entry.text();
}

// What the text takes in the transcript, in bytes.
std::size_t TextBytes(const QString& text) { return static_cast<std::size_t>(text.size()) * sizeof(QChar); }

// The key under which the people index holds a name: the normalized name.
std::string PersonKey(const QString& name) { return Normalize(ToWire(name)); }

}  // namespace

frmConsole::frmConsole(QuovTOCSock& toc, QLineEdit& txtSn, QLineEdit& txtCr, QCheckBox& chkConsole,
                       TranscriptBudget transcript)
    : toc_(toc), txtSn_(txtSn), txtCr_(txtCr), chkConsole_(chkConsole), transcript_(std::move(transcript)) {
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
  // Lines dropped from the top would otherwise stay in the undo history.
  txtChatBox->setUndoRedoEnabled(false);
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
  transcript_.Restart(0);
  ClearPeople();
  lblPpl->setText(QStringLiteral("0"));
  setWindowTitle(QStringLiteral("---"));
}

void frmConsole::SetHeader(const QString& text) {
  txtChatBox->clear();
  QTextCursor cursor(txtChatBox->document());
  cursor.insertText(text, QTextCharFormat());
  transcript_.Restart(TextBytes(text));
}

void frmConsole::WriteMessage(const QString& sender, const QString& message) {
  if (!isVisible()) return;
  for (const QListWidgetItem* entry : lstUsers->selectedItems()) {
    if (SamePerson(DeliveredName(*entry), sender)) return;
  }
  const QString text = DisplayText(message);
  const bool own = SamePerson(sender, txtSn_.text());
  AppendLine(QStringLiteral("\n") + ShownLine(sender) + QStringLiteral(":"),
             NameFormat(own ? QColor(255, 0, 0) : QColor(0, 0, 255)), QStringLiteral(" ") + text);
}

void frmConsole::WritePersonLine(const QString& name, bool inside) {
  if (!isVisible()) return;
  AppendLine(QStringLiteral("\n") + ShownLine(name), NameFormat(QColor(0, 0, 0)),
             inside ? QStringLiteral(" has entered the room.") : QStringLiteral(" has left the room."));
  if (inside) {
    AddToPeople(name);
  } else if (const auto row = people_.RemoveFirst(PersonKey(name))) {
    delete lstUsers->takeItem(static_cast<int>(*row));
  }
  ShowPeopleCount();
}

void frmConsole::WriteLinesNotShown(std::size_t count) {
  if (!isVisible()) return;
  AppendLine(QStringLiteral("\n"), PlainFormat(),
             QStringLiteral("(%1 lines were not shown: too many waited behind an alert.)").arg(count));
}

void frmConsole::ShowPeopleCount() { lblPpl->setText(QString::number(lstUsers->count())); }

void frmConsole::ClearPeople() {
  lstUsers->clear();
  people_.Clear();
}

void frmConsole::AddPerson(const std::string& name) { AddToPeople(FromWire(name)); }

void frmConsole::AddToPeople(const QString& name) {
  const QString shown = ShownLine(name);
  auto* entry = new QListWidgetItem(shown);
  if (shown != name) entry->setData(kDeliveredName, name);
  lstUsers->addItem(entry);
  people_.Append(PersonKey(name));
}

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
  // The oldest lines go in an edit of their own: one edit spanning the whole
  // document would make the view drop the layout of every line in between.
  const std::size_t oldest = transcript_.Add(TextBytes(name) + TextBytes(rest) - sizeof(QChar));
  if (oldest > 0) {
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(oldest));
    cursor.removeSelectedText();
  }
  // One edit, so the new line is laid out once rather than once per piece.
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(name, nameFormat);
  cursor.insertText(rest, PlainFormat());
  cursor.endEditBlock();
  QScrollBar* bar = txtChatBox->verticalScrollBar();
  bar->setValue(bar->maximum());
}
