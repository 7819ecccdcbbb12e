// The window's side of the session: its buttons, the control's events and
// the timer go to the session, and the window carries out what it answers.
#include <QRandomGenerator>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <limits>

#include "ExchangeReader.h"
#include "Functions.h"
#include "Klaxo.h"
#include "Report.h"
#include "ShownLine.h"
#include "TextEdge.h"
#include "mdlTray.h"

namespace {

// How long --tray waits for a tray that is not there at start: a desktop's
// tray often appears a little after the programs it starts.
constexpr int kTrayChecks = 120;
constexpr std::chrono::seconds kTrayCheckInterval(1);

}  // namespace

void Klaxo::cmdSignon_Click() {
  txtSn->setText(NormalizeText(txtSn->text()));
  Handle(Session::SignOnPressed{ToWire(txtSn->text()), ToWire(txtPw->text())});
}

void Klaxo::cmdSignoff_Click() { Handle(Session::SignOffPressed{}); }

void Klaxo::cmdJoin_Click() {
  txtCr->setText(NormalizeText(txtCr->text()));
  const auto exchange = ReadExchange(txtEx->text().toStdU16String());
  if (!exchange) {
    ShowStatus(QStringLiteral("Not joined: the exchange must be a number from %1 to %2")
                   .arg(std::numeric_limits<std::int16_t>::min())
                   .arg(std::numeric_limits<std::int16_t>::max()));
    return;
  }
  Handle(Session::JoinPressed{{ToWire(txtCr->text()), *exchange}});
}

void Klaxo::cmdLeave_Click() { toc->LeaveChat(ToWire(txtCr->text()), toc->LastChatID); }

void Klaxo::HandleFromFeed(const Session::Event& event) {
  // A socket that cannot work, the installation at fault, is not tried again.
  if (const auto* lost = std::get_if<Session::Lost>(&event); lost != nullptr && socketUnusable_ && socketUnusable_()) {
    Handle(Session::Lost{lost->reason, true});
    return;
  }
  Handle(event);
}

void Klaxo::Handle(const Session::Event& event) {
  // An action may raise control events that come back here: each is handled
  // in the state its predecessor left.
  for (const Session::Action& action : session_.Handle(event, clock_->Now())) Carry(action);
  ScheduleWake();
}

void Klaxo::Carry(const Session::Action& action) {
  if (const auto* login = std::get_if<Session::Login>(&action)) {
    if (!feed.Sent([&] { toc->Login(login->name, login->password, ToWire(server_.host), server_.port); })) {
      Handle(Session::TooLong{true});
    }
  } else if (const auto* join = std::get_if<Session::Join>(&action)) {
    if (!feed.Sent([&] { toc->JoinChat(join->room.name, join->room.exchange); })) Handle(Session::TooLong{false});
  } else if (std::holds_alternative<Session::LogOff>(action)) {
    toc->LogOff();
  } else if (const auto* read = std::get_if<Session::ReadPassword>(&action)) {
    ReadPassword(read->name);
  } else if (const auto* store = std::get_if<Session::StorePassword>(&action)) {
    RememberPassword(store->name, store->password);
  } else if (std::holds_alternative<Session::Probe>(action)) {
    toc->GetStatus(toc->strUserName);
  } else if (const auto* report = std::get_if<Session::Report>(&action)) {
    Report(ShownLine(FromWire(report->line)));
  } else if (std::holds_alternative<Session::Defer>(action)) {
    QTimer::singleShot(0, this, [this] { Handle(Session::SignOnStepsDone{}); });
  } else if (const auto* show = std::get_if<Session::Show>(&action)) {
    ShowSession(*show);
  }
}

// What the session shows waits behind an open alert box like everything else.
void Klaxo::ShowSession(const Session::Show& show) {
  const QString text = ShownLine(FromWire(show.text));
  const QString detail = ShownLine(FromWire(show.detail));
  QString line;
  switch (show.what) {
    case Session::Show::AskingKeyring:
      line = QStringLiteral("Asking the keyring for the password of '%1'").arg(text);
      break;
    case Session::Show::NoPassword:
      if (!detail.isEmpty()) {
        line =
            QStringLiteral("The keyring gave no password for '%1' (%2): type it and press Sign On").arg(text, detail);
      } else if (rememberPassword_) {
        line =
            QStringLiteral("No password stored for '%1': type it and press Sign On to sign on and keep it").arg(text);
      } else {
        line = QStringLiteral(
                   "No password stored for '%1': type it and press Sign On (start with --remember-password to keep "
                   "it)")
                   .arg(text);
      }
      Report(line);
      break;
    case Session::Show::SigningOn:
      line = QStringLiteral("Signing on as '%1'").arg(text);
      break;
    case Session::Show::SignedOn:
      line = QStringLiteral("Logged on '%1'").arg(text);
      break;
    case Session::Show::Joined:
      InChat = true;
      // The room box as it reads when the room is joined.
      line = QStringLiteral("Logged on, joined chat '%1'").arg(txtCr->text());
      break;
    case Session::Show::Rejoined:
      InChat = true;
      feed.StartTranscript(text);
      line = QStringLiteral("Logged on, joined chat '%1'").arg(text);
      break;
    case Session::Show::Left:
      InChat = false;
      feed.StartTranscript(std::nullopt);
      line = QStringLiteral("Logged in, left chat");
      break;
    case Session::Show::LoggedOff:
      line = QStringLiteral("Logged off");
      break;
    case Session::Show::Disconnected:
      line = QStringLiteral("Disconnected: ") + text;
      if (show.retryIn) {
        if (!line.endsWith(QLatin1Char('.'))) line += QLatin1Char('.');
        line += QStringLiteral(" Signing on again in %1 s")
                    .arg(std::chrono::ceil<std::chrono::seconds>(*show.retryIn).count());
      }
      InChat = false;
      break;
    case Session::Show::SigningOnAgain:
      line = QStringLiteral("Signing on again as '%1'").arg(text);
      break;
    case Session::Show::Refused:
      line = text;
      if (!detail.isEmpty()) line += QStringLiteral(" (%1)").arg(detail);
      break;
    case Session::Show::SignOnTooLong:
      line = QStringLiteral("Not signed on: the screen name and password are too long for the server");
      break;
    case Session::Show::JoinTooLong:
      line = QStringLiteral("Not joined: the room name is too long for the server");
      break;
    case Session::Show::Error:
      line = text;
      break;
    case Session::Show::LineRefused:
      // Said beside the lines the user sent; a hidden console records nothing.
      if (Console) {
        feed.ShowNote(text);
        return;
      }
      line = text;
      break;
  }
  ShowStatus(line);
}

void Klaxo::ShowStatus(const QString& line) { feed.ShowStatus(line); }

void Klaxo::ScheduleWake() {
  if (const auto when = session_.NextWake()) {
    clock_->WakeAt(*when, [this] { Handle(Session::TimerFired{toc->BytesReceived()}); });
  } else {
    clock_->CancelWake();
  }
}

// The watch started by the options.

void Klaxo::StartWatch() {
  if (startInTray_) {
    mnuTray_Click();
    if (!mdlTray::TrayIconShown()) {
      show();
      WaitForTray();
    }
  } else {
    show();
  }
  std::optional<Session::Room> room;
  if (startRoom_) {
    txtCr->setText(NormalizeText(startRoom_->name));
    txtEx->setText(QString::number(startRoom_->exchange));
    room = Session::Room{ToWire(txtCr->text()), startRoom_->exchange};
  }
  if (!startName_.isEmpty()) txtSn->setText(NormalizeText(startName_));
  Handle(Session::Started{startName_.isEmpty() ? std::string() : ToWire(txtSn->text()), room});
}

void Klaxo::WaitForTray() {
  auto* wait = new QTimer(this);
  connect(wait, &QTimer::timeout, this, [this, wait, checksLeft = kTrayChecks]() mutable {
    const bool appeared = QSystemTrayIcon::isSystemTrayAvailable();
    if (appeared) mnuTray_Click();
    if (appeared || --checksLeft == 0) {
      wait->stop();
      wait->deleteLater();
    }
  });
  wait->start(kTrayCheckInterval);
}

void Klaxo::ReadPassword(const std::string& name) {
  secrets_->Read(SecretStore::Account(FromWire(name), server_), [this](const SecretStore::Result& result) {
    switch (result.status) {
      case SecretStore::Result::Status::Done:
        Handle(Session::PasswordFound{ToWire(result.password)});
        break;
      case SecretStore::Result::Status::NotStored:
        Handle(Session::NoPassword{});
        break;
      case SecretStore::Result::Status::Failed:
        Handle(Session::NoPassword{ToWire(result.error)});
        break;
    }
  });
}

void Klaxo::RememberPassword(const std::string& name, const std::string& password) {
  const QString account = SecretStore::Account(FromWire(name), server_);
  secrets_->Write(account, FromWire(password), [this, account](const SecretStore::Result& result) {
    if (result.status == SecretStore::Result::Status::Done) {
      std::printf("klaxo: the password for %s is kept in the keyring\n", qPrintable(account));
      std::fflush(stdout);
      return;
    }
    const QString message = QStringLiteral("The password for %1 could not be kept in the keyring: %2")
                                .arg(account, ShownLine(result.error));
    Report(message);
    ShowStatus(message);
  });
}
