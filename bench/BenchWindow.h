// What the application's benchmarks share: a shown console on its own, and
// the main window signed on and in a room with its console open, fed through
// a fake socket, its alert boxes answered at once.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <utility>

#include "AlertPresenter.h"
#include "FakeSocket.h"
#include "Frames.h"
#include "Klaxo.h"
#include "QuovTOCSock.h"
#include "frmConsole.h"

// A shown console with the control and the main window's boxes it refers to.
struct ShownConsole {
  ShownConsole() { console.show(); }
  QuovTOCSock toc{std::make_unique<FakeSocket>()};
  QLineEdit txtSn{QStringLiteral("myname")};
  QLineEdit txtCr{QStringLiteral("lobby")};
  QCheckBox chkConsole;
  frmConsole console{toc, txtSn, txtCr, chkConsole};
};

// A room message of 200 characters.
inline QString Message200() {
  QString message = QStringLiteral("Has anyone tried the new bakery on the corner? Their bread is lovely, the coffee ");
  while (message.size() < 200) message += QStringLiteral("is strong and the queue moves fast. ");
  return message.left(200);
}

// Answers every alert at once; whileShowing runs while the first is "open".
class AnsweringAlerts : public AlertPresenter {
 public:
  void ShowAlert(const QString&) override {
    if (++shown == 1 && whileShowing) whileShowing();
  }
  void ShowAbout(const QString&) override {}
  std::size_t shown = 0;
  std::function<void()> whileShowing;
};

// The main window signed on and in room 42, the word kiwi listed, its
// console open unless told otherwise.
struct FloodedWindow {
  explicit FloodedWindow(bool consoleOpen = true) {
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    auto presenter = std::make_unique<AnsweringAlerts>();
    alerts = presenter.get();
    window = std::make_unique<Klaxo>(std::move(socket), std::move(presenter));
    window->txtSn->setText(QStringLiteral("myname"));
    window->cmdSignon->click();
    sock->Open();
    sock->Deliver(SignOnFrame() + ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("CONFIG2:done:\n") +
                  ServerMessage("CHAT_JOIN:42:lobby") + ServerMessage("CHAT_UPDATE_BUDDY:42:T:myname"));
    window->lstNotify->addItem(QStringLiteral("kiwi"));
    window->chkConsole->setChecked(consoleOpen);
  }
  FakeSocket* sock;
  AnsweringAlerts* alerts;
  std::unique_ptr<Klaxo> window;
};
