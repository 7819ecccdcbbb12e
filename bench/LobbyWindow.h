// The main window as the window benchmarks start it: on a fake socket,
// signed on as myname, in room 42 (lobby) with the word kiwi listed.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "FakeSocket.h"
#include "Frames.h"
#include "Klaxo.h"

inline void EnterLobby(Klaxo& window, FakeSocket& sock, bool consoleOpen) {
  window.txtSn->setText(QStringLiteral("myname"));
  window.cmdSignon->click();
  sock.Open();
  sock.Deliver(SignOnFrame() + ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("CONFIG2:done:\n") +
               ServerMessage("CHAT_JOIN:42:lobby") + ServerMessage("CHAT_UPDATE_BUDDY:42:T:myname"));
  window.lstNotify->addItem(QStringLiteral("kiwi"));
  window.chkConsole->setChecked(consoleOpen);
}
