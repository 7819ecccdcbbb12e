// The chat console: built the first time it is needed, then shown and
// hidden with the check box; a sink of the feed from its first showing.
#include "Klaxo.h"
#include "RoomLog.h"

void Klaxo::chkConsole_Click(bool ticked) {
  if (ticked) {
    LoadConsole();
  } else {
    UnLoadConsole();
  }
}

frmConsole& Klaxo::ConsoleWindow() {
  if (!console) {
    console = std::make_unique<frmConsole>(*toc);
    console->setWindowIcon(windowIcon());
    console->setFont(centralWidget()->font());
    connect(console.get(), &frmConsole::closed, this, [this] { chkConsole->setChecked(false); });
    feed.AddSink(*console);
    StampConsole();
  }
  return *console;
}

void Klaxo::StampConsole() {
  if (!console) return;
  if (delivery_.consoleTimestamps) {
    // Worked out once a second: a busy room says many lines in one.
    console->SetTimestamps([second = qint64{-1}, prefix = QString()]() mutable {
      const qint64 now = QDateTime::currentSecsSinceEpoch();
      if (now != second) {
        second = now;
        prefix = TimestampPrefix(QTime::currentTime());
      }
      return prefix;
    });
  } else {
    console->SetTimestamps({});
  }
}

void Klaxo::LoadConsole() {
  ConsoleWindow();
  Clear();
  console->show();
  Console = true;
  console->FillPeople(feed.People());
  console->ShowRoom(feed.RoomName(), feed.SignedOnName());
}

void Klaxo::UnLoadConsole() {
  console->hide();
  Console = false;
  Clear();
}

void Klaxo::Clear() {
  if (console) console->Clear();
}
