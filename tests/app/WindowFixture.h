// The main window on a fake socket with a recording alert presenter, and
// helpers that play the server's side of a session.
#pragma once

#include <gtest/gtest.h>

#include <QListView>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AlertPresenter.h"
#include "FakeSocket.h"
#include "Frames.h"
#include "Klaxo.h"

// Records every alert instead of showing a box; whileShowing runs while the
// "box" is open, the way the event loop of a real box would run. The box
// numbered closeAt is closed with its close box.
class RecordingAlerts : public AlertPresenter {
 public:
  Closed ShowAlert(const QString& text) override {
    shown.push_back(text.toStdString());
    if (whileShowing) whileShowing(shown.size());
    return shown.size() == closeAt ? Closed::AllWaiting : Closed::One;
  }
  void ShowAbout(const QString& text) override { about.push_back(text.toStdString()); }
  std::vector<std::string> shown;
  std::vector<std::string> about;
  std::function<void(std::size_t)> whileShowing;
  std::size_t closeAt = 0;
};

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    auto recorder = std::make_unique<RecordingAlerts>();
    alerts = recorder.get();
    window = std::make_unique<Klaxo>(std::move(socket), std::move(recorder), ServerAddress{"toc.test", 5191});
    window->show();
  }

  void Deliver(const std::string& message) { sock->Deliver(ServerMessage(message)); }

  void SignOn(const QString& name = QStringLiteral("My Name")) {
    window->txtSn->setText(name);
    window->txtPw->setText(QStringLiteral("pw"));
    window->cmdSignon->click();
    sock->Open();
    sock->Deliver(SignOnFrame() + ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("CONFIG2:done:\n"));
    sock->TakeSent();
  }

  // Signs on, joins thelobby as room 42 and lists the given occupants.
  void SignOnAndJoin(const std::string& occupants = "myname:bob") {
    SignOn();
    window->txtCr->setText(QStringLiteral("The Lobby"));
    window->cmdJoin->click();
    Deliver("CHAT_JOIN:42:thelobby");
    if (!occupants.empty()) Deliver("CHAT_UPDATE_BUDDY:42:T:" + occupants);
    sock->TakeSent();
  }

  void Say(const std::string& from, const std::string& text) {
    Deliver("CHAT_IN_ENC:42:" + from + ":F:US-ASCII:en:" + text);
  }

  void AddWord(const QString& word) { window->lstNotify->addItem(word); }

  QStringList Words() const {
    QStringList words;
    for (int i = 0; i < window->lstNotify->count(); ++i) words.append(window->lstNotify->item(i)->text());
    return words;
  }

  // The transcript's lines as plain text.
  std::vector<std::string> Transcript() const {
    std::vector<std::string> lines;
    for (QTextBlock block = window->console->txtChatBox->document()->begin(); block.isValid(); block = block.next()) {
      lines.push_back(block.text().toStdString());
    }
    return lines;
  }

  std::vector<std::string> People() const {
    const QAbstractItemModel& list = *window->console->lstUsers->model();
    std::vector<std::string> people;
    for (int i = 0; i < list.rowCount(); ++i) people.push_back(list.index(i, 0).data().toString().toStdString());
    return people;
  }

  void SelectPerson(int row) {
    QListView& list = *window->console->lstUsers;
    list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
  }
  bool PersonSelected(int row) const {
    const QListView& list = *window->console->lstUsers;
    return list.selectionModel()->isSelected(list.model()->index(row, 0));
  }

  bool Sent(const std::string& line) { return sock->sent.find(line + '\0') != std::string::npos; }

  FakeSocket* sock = nullptr;
  RecordingAlerts* alerts = nullptr;
  std::unique_ptr<Klaxo> window;
};
