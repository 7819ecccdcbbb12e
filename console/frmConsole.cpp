#include "frmConsole.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <limits>
#include <utility>

#include "ConsoleText.h"
#include "DesignLayout.h"
#include "Functions.h"
#include "ShownLine.h"
#include "TextEdge.h"
#include "TranscriptLayout.h"
#include "Twips.h"

namespace {

// Formats are built once: a busy room would otherwise build and free
// three of them for every line.
QTextCharFormat MakeFormat(const QColor& colour, QFont::Weight weight) {
  QTextCharFormat format;
  format.setForeground(colour);
  format.setFontWeight(weight);
  return format;
}

const QTextCharFormat& NameFormat(bool own) {
  static const QTextCharFormat ownName = MakeFormat(QColor(255, 0, 0), QFont::Bold);
  static const QTextCharFormat otherName = MakeFormat(QColor(0, 0, 255), QFont::Bold);
  return own ? ownName : otherName;
}

const QTextCharFormat& PersonFormat() {
  static const QTextCharFormat format = MakeFormat(QColor(0, 0, 0), QFont::Bold);
  return format;
}

const QTextCharFormat& PlainFormat() {
  static const QTextCharFormat format = MakeFormat(QColor(0, 0, 0), QFont::Normal);
  return format;
}

// What the text takes in the transcript, in bytes.
std::size_t TextBytes(const QString& text) { return static_cast<std::size_t>(text.size()) * sizeof(QChar); }

}  // namespace

frmConsole::frmConsole(QuovTOCSock& toc, TranscriptBudget transcript) : toc_(toc), transcript_(std::move(transcript)) {
  setObjectName(QStringLiteral("frmConsole"));
  setWindowTitle(QStringLiteral("Chat Console"));
  resize(Px(6090), Px(3615));

  cmdSend = Place(new QPushButton(QStringLiteral("Send"), this), "cmdSend", 4440, 3240, 1575, 255);
  people_ = new PeopleModel(this);
  lstUsers = Place(new QListView(this), "lstUsers", 4440, 360, 1575, 2790);
  lstUsers->setModel(people_);
  lstUsers->setSelectionMode(QAbstractItemView::SingleSelection);
  lstUsers->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every entry is one line, so a change does not measure the others again.
  lstUsers->setUniformItemSizes(true);
  lstUsers->setAccessibleName(QStringLiteral("People here"));
  txtMessage = Place(new QLineEdit(this), "txtMessage", 120, 3240, 4215, 285);
  txtMessage->setMaxLength(std::numeric_limits<int>::max());  // Qt would stop at 32,767 characters
  txtMessage->setAccessibleName(QStringLiteral("Message to send"));
  // A plain-text box still carries a colour and weight per character, and it
  // lays out only what is on screen, so appending stays cheap as it grows.
  txtChatBox = Place(new QPlainTextEdit(this), "txtChatBox", 120, 120, 4215, 3015);
  auto* document = new QTextDocument(txtChatBox);
  auto* layout = new TranscriptLayout(document);
  document->setDocumentLayout(layout);
  txtChatBox->setDocument(document);
  QScrollBar* bar = txtChatBox->verticalScrollBar();
  // A view shrunk to its end, or scrolled there, is at the end; a view that
  // grows while at the end stays following until it has caught up.
  connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { following_ = value >= bar->maximum(); });
  connect(layout, &TranscriptLayout::settled, this, &frmConsole::FollowNewLines);
  txtChatBox->viewport()->installEventFilter(this);
  txtChatBox->setReadOnly(true);
  // Lines dropped from the top would otherwise stay in the undo history.
  txtChatBox->setUndoRedoEnabled(false);
  txtChatBox->setAccessibleName(QStringLiteral("Chat transcript"));
  lblPpl = Place(new QLabel(QStringLiteral("0"), this), "lblPpl", 5520, 120, 375, 255);
  lblPpl->setTextFormat(Qt::PlainText);
  Label1 = Place(new QLabel(QStringLiteral("People Here"), this), "Label1", 4440, 120, 975, 255);

  auto* room = new DesignLayout(this, size());
  room->Add(txtChatBox, DesignLayout::Widen | DesignLayout::Heighten);
  room->Add(txtMessage, DesignLayout::Widen | DesignLayout::MoveDown);
  room->Add(cmdSend, DesignLayout::MoveRight | DesignLayout::MoveDown);
  room->Add(lstUsers, DesignLayout::MoveRight | DesignLayout::Heighten);
  room->Add(Label1, DesignLayout::MoveRight);
  room->Add(lblPpl, DesignLayout::MoveRight);

  setTabOrder(txtChatBox, txtMessage);
  setTabOrder(txtMessage, lstUsers);
  setTabOrder(lstUsers, cmdSend);

  connect(cmdSend, &QPushButton::clicked, this, &frmConsole::cmdSend_Click);
  connect(txtMessage, &QLineEdit::returnPressed, this, &frmConsole::cmdSend_Click);
}

void frmConsole::Clear() {
  ClearTranscript();
  ClearPeople();
}

void frmConsole::ClearTranscript() {
  txtChatBox->clear();
  transcript_.Restart(0);
  setWindowTitle(QStringLiteral("---"));
}

void frmConsole::ShowRoom(const QString& room, const std::string& user) {
  room_ = ToWire(room);
  setWindowTitle(room + QStringLiteral(" - ") + FromWire(Normalize(user)));
  const QString header = FromWire(user) + QStringLiteral(" is in Chat '") + room + QStringLiteral("'");
  txtChatBox->clear();
  QTextCursor cursor(txtChatBox->document());
  cursor.insertText(header, QTextCharFormat());
  transcript_.Restart(TextBytes(header));
  ShowPeopleCount();
}

void frmConsole::FillPeople(const PeopleIndex& people) { people_->Fill(people); }

void frmConsole::WriteMessage(const QString& sender, const QString& cleaned, bool own) {
  if (!isVisible()) return;
  for (const QModelIndex& entry : lstUsers->selectionModel()->selectedIndexes()) {
    if (SamePerson(people_->Name(entry.row()), sender)) return;
  }
  const QString text = DisplayText(cleaned);
  AppendLine(ShownLine(sender) + u':', NameFormat(own), u' ' + text);
}

void frmConsole::WritePersonLine(const QString& name, bool inside) {
  if (!isVisible()) return;
  AppendLine(ShownLine(name), PersonFormat(),
             inside ? QStringLiteral(" has entered the room.") : QStringLiteral(" has left the room."));
}

void frmConsole::ChangePeople(const QString& name, bool inside) {
  if (!isVisible()) return;
  if (inside) {
    people_->Arrive(name);
  } else {
    people_->Depart(name);
  }
  ShowPeopleCount();
}

void frmConsole::WriteLinesNotShown(std::size_t count) {
  if (!isVisible()) return;
  WriteNote(QStringLiteral("(%1 lines were not shown: too many waited behind an alert.)").arg(count));
}

void frmConsole::WriteServerNote(const QString& text) { WriteNote(QStringLiteral("(%1)").arg(text)); }

void frmConsole::ShowPeopleCount() {
  lblPpl->setText(QString::number(people_->Count()));
  if (toldFull_ || static_cast<std::size_t>(people_->Count()) < kMaxRoomSize || !isVisible()) return;
  toldFull_ = true;
  WriteNote(QStringLiteral("(The people list is full at %1 people: later arrivals are not listed.)").arg(kMaxRoomSize));
}

void frmConsole::ClearPeople() {
  people_->Clear();
  lblPpl->setText(QStringLiteral("0"));
  toldFull_ = false;
}

void frmConsole::Line(const RoomLine& line) {
  switch (line.kind) {
    case RoomLine::Kind::Message:
      WriteMessage(line.name, line.text, line.own);
      break;
    case RoomLine::Kind::Arrived:
    case RoomLine::Kind::Left:
      WritePersonLine(line.name, line.kind == RoomLine::Kind::Arrived);
      break;
    case RoomLine::Kind::Note:
      if (isVisible()) WriteServerNote(line.text);
      break;
  }
}

void frmConsole::LinesNotShown(std::size_t count) { WriteLinesNotShown(count); }

void frmConsole::People(const PeopleChange& change) {
  if (change.kind == PeopleChange::Kind::Cleared) {
    ClearPeople();
  } else {
    ChangePeople(change.name, change.kind == PeopleChange::Kind::Arrived);
  }
}

void frmConsole::TranscriptStart(const std::optional<RoomHeader>& header) {
  ClearTranscript();
  if (header && isVisible()) ShowRoom(header->room, header->user);
}

void frmConsole::closeEvent(QCloseEvent* event) {
  emit closed();
  event->accept();
}

bool frmConsole::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtChatBox->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      selecting_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    } else if (event->type() == QEvent::MouseButtonRelease && selecting_) {
      selecting_ = false;
      FollowNewLines();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void frmConsole::FollowNewLines() {
  if (!following_ || selecting_) return;
  QScrollBar* bar = txtChatBox->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void frmConsole::cmdSend_Click() {
  const QString typed = txtMessage->text();
  if (typed.isEmpty()) return;
  const std::string& room = room_;
  const auto excess = [&](qsizetype length) {
    return toc_.ChatSendExcess(room, ToWire(OutgoingMessage(typed.left(length))), toc_.LastChatID);
  };
  if (excess(typed.size()) > 0) {
    // The server would end the session over it: it stays in the box, and the
    // user learns how much of it must go. fits is the longest start that would go.
    qsizetype fits = 0;
    for (qsizetype over = typed.size(); over - fits > 1;) {
      const qsizetype middle = fits + (over - fits) / 2;
      (excess(middle) > 0 ? over : fits) = middle;
    }
    const qsizetype over = typed.size() - fits;
    WriteNote(QStringLiteral("(Not sent: the message is %1 too long. It is still in the box to shorten.)")
                  .arg(over == 1 ? QStringLiteral("1 character") : QStringLiteral("%1 characters").arg(over)));
    return;
  }
  toc_.SendChat(room, ToWire(OutgoingMessage(typed)), toc_.LastChatID);
  txtMessage->clear();
}

void frmConsole::WriteNote(const QString& text) { AppendLine(QString(), PlainFormat(), text); }

void frmConsole::AppendLine(const QString& name, const QTextCharFormat& nameFormat, const QString& rest) {
  QTextDocument* document = txtChatBox->document();
  QTextCursor cursor(document);
  // The cursor is placed, not moved, and inside edits: a move, or a placing
  // outside an edit, lays out the line it leaves or lands on. The oldest
  // lines go in an edit of their own: one edit spanning the whole document
  // would make the view drop the layout of every line in between.
  const QString stamp = stamp_ ? stamp_() : QString();
  const std::size_t oldest = transcript_.Add(TextBytes(stamp) + TextBytes(name) + TextBytes(rest));
  if (oldest > 0) {
    cursor.beginEditBlock();
    const QTextBlock kept = document->findBlockByNumber(static_cast<int>(oldest));
    cursor.setPosition(kept.isValid() ? kept.position() : document->characterCount() - 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
  }
  cursor.beginEditBlock();
  cursor.setPosition(document->characterCount() - 1);
  // The line break goes with the first part, saving the document an insertion.
  if (stamp.isEmpty()) {
    cursor.insertText(u'\n' + name, nameFormat);
  } else {
    cursor.insertText(u'\n' + stamp, PlainFormat());
    if (!name.isEmpty()) cursor.insertText(name, nameFormat);
  }
  cursor.insertText(rest, PlainFormat());
  cursor.endEditBlock();
}
