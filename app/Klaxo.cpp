#include "Klaxo.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QSystemTrayIcon>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>

#include "ExchangeReader.h"
#include "Functions.h"
#include "KeychainSecretStore.h"
#include "ShownLine.h"
#include "TextEdge.h"
#include "Twips.h"
#include "WordList.h"
#include "mdlTray.h"

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int left, int top, int width, int height) {
  auto* label = Place(new QLabel(QString::fromUtf8(text), parent), name, left, top, width, height);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// Keys that produce a character: printable ones, space, Backspace, Enter and
// Escape, but not Delete or the focus keys.
bool ProducesCharacter(int key, const QString& text) {
  if (text.isEmpty()) return false;
  return key != Qt::Key_Delete && key != Qt::Key_Tab && key != Qt::Key_Backtab;
}

// How long --tray waits for a tray that is not there at start: a desktop's
// tray often appears a little after the programs it starts.
constexpr int kTrayChecks = 120;
constexpr std::chrono::seconds kTrayCheckInterval(1);

void Report(const QString& message) { std::fprintf(stderr, "klaxo: %s\n", qPrintable(message)); }

}  // namespace

Klaxo::Klaxo(std::unique_ptr<TocSocket> socket, std::unique_ptr<AlertPresenter> alerts, ServerAddress server,
             KlaxoOptions options)
    : alerts_(std::move(alerts)),
      server_(std::move(server)),
      events_({[this](const QString& alert) { return alerts_->ShowAlert(alert) == AlertPresenter::Closed::AllWaiting; },
               [this](std::size_t lines) {
                 if (console) console->WriteLinesNotShown(lines);
               },
               [this](std::size_t dropped) {
                 alerts_->ShowAlert(
                     QStringLiteral("%1 more alerts were dropped: too many were waiting to be shown.").arg(dropped));
               }}),
      clock_(options.clock ? std::move(options.clock) : std::make_unique<QtSessionClock>()),
      session_({options.reconnect, options.rememberPassword},
               options.random ? std::move(options.random)
                              : Session::Random([] { return QRandomGenerator::global()->generateDouble(); })),
      secrets_(options.secrets ? std::move(options.secrets) : std::make_unique<KeychainSecretStore>()),
      startName_(std::move(options.signOnName)),
      startRoom_(std::move(options.room)),
      startInTray_(options.startInTray),
      rememberPassword_(options.rememberPassword) {
  Q_INIT_RESOURCE(klaxo);
  setObjectName(QStringLiteral("Klaxo"));
  setWindowTitle(Caption());
  setWindowIcon(QIcon(QStringLiteral(":/klaxo.png")));
  BuildControls();
  BuildMenus();
  toc = std::make_unique<QuovTOCSock>(std::move(socket), this);
  if (!options.wordsFile.isEmpty()) {
    wordsFile_.emplace(options.wordsFile);
    LoadWords();
  }
}

Klaxo::~Klaxo() {
  // The console and the control go before the boxes they refer to.
  console.reset();
  toc.reset();
}

QString Klaxo::Caption() { return QStringLiteral("Klaxo © - By the Klaxo developers"); }

void Klaxo::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(Px(3585), Px(2565));
  QFont small = client->font();
  small.setPixelSize(11);
  client->setFont(small);
  setCentralWidget(client);

  txtSn = Place(new QLineEdit(client), "txtSn", 360, 120, 1695, 285);
  txtSn->setAccessibleName(QStringLiteral("Screen name"));
  txtPw = Place(new QLineEdit(client), "txtPw", 360, 480, 1695, 285);
  txtPw->setEchoMode(QLineEdit::Password);
  txtPw->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  txtPw->setAccessibleName(QStringLiteral("Password"));
  txtCr = Place(new QLineEdit(client), "txtCr", 360, 1200, 1455, 285);
  txtCr->setAccessibleName(QStringLiteral("Chat room"));
  txtEx = Place(new QLineEdit(QStringLiteral("4"), client), "txtEx", 1800, 1200, 255, 285);
  txtEx->setAccessibleName(QStringLiteral("Exchange"));
  lstNotify = Place(new QListWidget(client), "lstNotify", 2160, 360, 1335, 1620);
  lstNotify->setSelectionMode(QAbstractItemView::SingleSelection);
  lstNotify->setAccessibleName(QStringLiteral("Word list"));
  cmdSignon = Place(new QPushButton(QStringLiteral("Sign On"), client), "cmdSignon", 360, 840, 855, 255);
  cmdSignoff = Place(new QPushButton(QStringLiteral("Sign Off"), client), "cmdSignoff", 1320, 840, 735, 255);
  cmdJoin = Place(new QPushButton(QStringLiteral("Join"), client), "cmdJoin", 360, 1560, 735, 255);
  cmdLeave = Place(new QPushButton(QStringLiteral("Leave"), client), "cmdLeave", 1200, 1560, 855, 255);
  txtNotify = Place(new QLineEdit(client), "txtNotify", 2160, 2040, 1335, 285);
  txtNotify->setAccessibleName(QStringLiteral("New word"));
  chkConsole =
      Place(new QCheckBox(QStringLiteral("Open Chatroom Console"), client), "chkConsole", 360, 2280, 3135, 255);
  chkConsole->setAccessibleName(QStringLiteral("Open chatroom console"));
  Label2 = MakeLabel(client, "Label2", "SN", 0, 120, 255, 255);
  Label3 = MakeLabel(client, "Label3", "PW", 0, 480, 375, 255);
  Label4 = MakeLabel(client, "Label4", "CR", 0, 1200, 255, 255);
  lblStat = MakeLabel(client, "lblStat", "Status - ", 360, 1920, 1695, 375);
  lblStat->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblStat->setWordWrap(true);
  // The line holds two rows; its tip shows a longer message whole.
  lblStat->installEventFilter(this);
  Label5 = MakeLabel(client, "Label5", "Word List", 2160, 120, 1095, 255);
  Label2->setBuddy(txtSn);
  Label3->setBuddy(txtPw);
  Label4->setBuddy(txtCr);
  Label5->setBuddy(lstNotify);
  // Qt's line edits stop at 32,767 characters unless told otherwise; these take any length.
  for (QLineEdit* box : client->findChildren<QLineEdit*>()) box->setMaxLength(std::numeric_limits<int>::max());

  const QWidget* order[] = {chkConsole, txtNotify, cmdLeave, cmdJoin, cmdSignoff, cmdSignon,
                            lstNotify,  txtEx,     txtCr,    txtPw,   txtSn};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
  }

  connect(cmdSignon, &QPushButton::clicked, this, &Klaxo::cmdSignon_Click);
  connect(cmdSignoff, &QPushButton::clicked, this, &Klaxo::cmdSignoff_Click);
  connect(cmdJoin, &QPushButton::clicked, this, &Klaxo::cmdJoin_Click);
  connect(cmdLeave, &QPushButton::clicked, this, &Klaxo::cmdLeave_Click);
  connect(chkConsole, &QCheckBox::toggled, this, &Klaxo::chkConsole_Click);
  connect(lstNotify, &QListWidget::itemDoubleClicked, this, &Klaxo::lstNotify_DblClick);
  txtNotify->installEventFilter(this);
}

void Klaxo::BuildMenus() {
  mnuFile = menuBar()->addMenu(QStringLiteral("File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuExit = mnuFile->addAction(QStringLiteral("Exit"), this, &Klaxo::EndProgram);
  mnuExit->setObjectName(QStringLiteral("mnuExit"));

  // The tray icon's pop-up menu; never shown in the menu bar.
  mnuForm = new QMenu(QStringLiteral("Form"), this);
  mnuForm->setObjectName(QStringLiteral("mnuForm"));
  mnuShow = mnuForm->addAction(QStringLiteral("Show"), this, &Klaxo::mnuShow_Click);
  mnuShow->setObjectName(QStringLiteral("mnuShow"));
  mnuHide = mnuForm->addAction(QStringLiteral("Hide"), this, &Klaxo::mnuHide_Click);
  mnuHide->setObjectName(QStringLiteral("mnuHide"));
  mnuHide->setVisible(false);
  mnuExit2 = mnuForm->addAction(QStringLiteral("Exit"), this, [this] {
    mdlTray::RemoveTrayIcon();
    EndProgram();
  });
  mnuExit2->setObjectName(QStringLiteral("mnuExit2"));

  mnuAbout = menuBar()->addAction(QStringLiteral("About"), this, &Klaxo::mnuAbout_Click);
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
  mnuTray = menuBar()->addAction(QStringLiteral("Send to Tray"), this, &Klaxo::mnuTray_Click);
  mnuTray->setObjectName(QStringLiteral("mnuTray"));
}

// Session.

void Klaxo::cmdSignon_Click() {
  txtSn->setText(NormalizeText(txtSn->text()));
  Handle(Session::SignOnPressed{ToWire(txtSn->text()), ToWire(txtPw->text())});
}

void Klaxo::cmdSignoff_Click() { Handle(Session::SignOffPressed{}); }

void Klaxo::cmdJoin_Click() {
  txtCr->setText(NormalizeText(txtCr->text()));
  const auto exchange = ReadExchange(txtEx->text().toStdU16String());
  if (!exchange) return;
  Handle(Session::JoinPressed{{ToWire(txtCr->text()), *exchange}});
}

void Klaxo::cmdLeave_Click() { toc->LeaveChat(ToWire(txtCr->text()), toc->LastChatID); }

void Klaxo::LoggedIn(std::string strUserName, Collection<std::string>&, Collection<std::string>&,
                     Collection<std::string>&, Collection<std::string>&, const std::string&, std::int16_t) {
  Handle(Session::LoggedIn{std::move(strUserName)});
}

void Klaxo::LoggedOut(std::string) { Handle(Session::LoggedOut{}); }

void Klaxo::JoinedChat(std::string& strChatName, std::int32_t& lngChatID) {
  Handle(Session::JoinedChat{strChatName, lngChatID});
}

void Klaxo::LeftChat(std::int32_t& lngChatID) { Handle(Session::LeftChat{lngChatID}); }

void Klaxo::WinsockError(std::string& strError) { Handle(Session::Lost{strError}); }

void Klaxo::Error(std::int16_t& intErrorCode, std::string& strError) {
  // Raised while a command is handed over, it is the control's refusal of that command.
  if (sending_) {
    refused_ = true;
    return;
  }
  Handle(Session::ServerError{intErrorCode, strError});
}

void Klaxo::SignOnRefused(std::int16_t intErrorCode, std::int32_t lngSubCode, const std::string& strError) {
  Handle(Session::Refused{intErrorCode, lngSubCode, strError});
}

bool Klaxo::Sent(const std::function<void()>& send) {
  refused_ = false;
  sending_ = true;
  send();
  sending_ = false;
  return !refused_;
}

void Klaxo::Handle(const Session::Event& event) {
  // An action may raise control events that come back here: each is handled
  // in the state its predecessor left.
  for (const Session::Action& action : session_.Handle(event, clock_->Now())) Carry(action);
  ScheduleWake();
}

void Klaxo::Carry(const Session::Action& action) {
  if (const auto* login = std::get_if<Session::Login>(&action)) {
    if (!Sent([&] { toc->Login(login->name, login->password, ToWire(server_.host), server_.port); })) {
      Handle(Session::TooLong{true});
    }
  } else if (const auto* join = std::get_if<Session::Join>(&action)) {
    if (!Sent([&] { toc->JoinChat(join->room.name, join->room.exchange); })) Handle(Session::TooLong{false});
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
      // The room box as it reads when the line is shown.
      ShowStatus([this] { return QStringLiteral("Logged on, joined chat '%1'").arg(txtCr->text()); });
      return;
    case Session::Show::Rejoined:
      InChat = true;
      RestartConsole(text);
      line = QStringLiteral("Logged on, joined chat '%1'").arg(text);
      break;
    case Session::Show::Left:
      InChat = false;
      RestartConsole(std::nullopt);
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
        events_.Run(EventQueue::Line{[this, text] { console->WriteServerNote(text); },
                                     static_cast<std::size_t>(text.size()) * sizeof(QChar)});
        return;
      }
      line = text;
      break;
  }
  ShowStatus(line);
}

void Klaxo::ShowStatus(std::function<QString()> line) {
  events_.Run(
      EventQueue::State{EventQueue::Shown::StatusLine, [this, line = std::move(line)] { lblStat->setText(line()); }});
}

void Klaxo::ShowStatus(const QString& line) {
  events_.Run(EventQueue::State{EventQueue::Shown::StatusLine, [this, line] { lblStat->setText(line); },
                                static_cast<std::size_t>(line.size()) * sizeof(QChar)});
}

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

void Klaxo::RestartConsole(const std::optional<QString>& header) {
  // A console never opened has nothing to empty.
  if (!console) return;
  console->ClearPeople();
  events_.Run(EventQueue::State{EventQueue::Shown::TranscriptStart, [this, header] {
                                  console->ClearTranscript();
                                  if (header && Console) console->ShowRoom(*header, toc->strUserName);
                                }});
}

// Word list and alerts.

QStringList Klaxo::WordList() const {
  QStringList words;
  for (int i = 0; i < lstNotify->count(); ++i) words.append(lstNotify->item(i)->text());
  return words;
}

bool Klaxo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblStat && event->type() == QEvent::ToolTip) {
    // Escaped: the status line quotes what the server and the user sent.
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                       Qt::convertFromPlainText(lblStat->text(), Qt::WhiteSpaceNormal), lblStat);
    return true;
  }
  if (watched == txtNotify && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (ProducesCharacter(key->key(), key->text())) return txtNotify_KeyPress(key->key(), key->text());
  }
  return QMainWindow::eventFilter(watched, event);
}

bool Klaxo::txtNotify_KeyPress(int key, const QString&) {
  const WordBoxStep step = WordBoxKey(WordList(), txtNotify->text(), key == Qt::Key_Return || key == Qt::Key_Enter);
  switch (step.kind) {
    case WordBoxStep::KeyAsUsual:
      return false;
    case WordBoxStep::EmptyThenKey:
      txtNotify->clear();
      return false;
    case WordBoxStep::AddWord:
      lstNotify->addItem(step.word);
      txtNotify->clear();
      SaveWords();
      return true;
  }
  return false;
}

void Klaxo::lstNotify_DblClick(QListWidgetItem* item) {
  if (item == nullptr) return;
  delete lstNotify->takeItem(lstNotify->row(item));
  SaveWords();
}

void Klaxo::LoadWords() {
  QString error;
  if (const auto words = wordsFile_->Load(error)) {
    lstNotify->addItems(*words);
    return;
  }
  // The list on disk is kept as it is; nothing this run does replaces it.
  const QString message = QStringLiteral("Cannot read the word list %1: %2. Changes will not be saved to it.")
                              .arg(QDir::toNativeSeparators(wordsFile_->Path()), error);
  wordsFile_.reset();
  Report(message);
  lblStat->setText(message);
}

void Klaxo::SaveWords() {
  if (!wordsFile_) return;
  QString error;
  if (wordsFile_->Save(WordList(), error)) return;
  const QString message =
      QStringLiteral("Cannot save the word list to %1: %2").arg(QDir::toNativeSeparators(wordsFile_->Path()), error);
  Report(message);
  lblStat->setText(message);
}

void Klaxo::ChatMessage(std::int32_t&, std::string& strUserName, std::string& strMessage) {
  toc_ChatMessage(FromWire(strUserName), strMessage);
}

// The message is matched as it arrives: while an alert box is open the word
// list cannot change, so the result is the one it would have had later.
// Its tags go from the wire bytes and the rest is decoded once: the alerts
// show that text, the console decodes its entities too.
void Klaxo::toc_ChatMessage(const QString& sender, const std::string& strMessage) {
  const QString cleaned = FromWire(toc->RemoveHtml(strMessage));
  EventQueue::Alert waiting;
  waiting.times = static_cast<std::size_t>(MatchingWords(WordList(), cleaned).size());
  if (waiting.times > 0) waiting.text = AlertText(sender, cleaned);
  // A hidden console records nothing, so its line need not wait.
  if (Console) {
    waiting.line = [this, sender, cleaned] { console->WriteMessage(sender, cleaned); };
    waiting.lineBytes = static_cast<std::size_t>(sender.size() + cleaned.size()) * sizeof(QChar);
  }
  events_.Run(std::move(waiting));
}

// Chat console.

void Klaxo::ChatUserUpdate(const std::string& strUserName, bool blnInside, std::int32_t) {
  // As with messages: a hidden console records nothing, so nothing need wait.
  if (!Console) return;
  const QString name = FromWire(strUserName);
  events_.Run(EventQueue::Line{[this, name, blnInside] { console->WritePersonLine(name, blnInside); },
                               static_cast<std::size_t>(name.size()) * sizeof(QChar)});
  // The list changes at once, so what waits follows the room's size, not its churn.
  console->ChangePeople(name, blnInside);
}

void Klaxo::chkConsole_Click(bool ticked) {
  if (ticked) {
    LoadConsole();
  } else {
    UnLoadConsole();
  }
}

frmConsole& Klaxo::ConsoleWindow() {
  if (!console) {
    console = std::make_unique<frmConsole>(*toc, *txtSn, *txtCr, *chkConsole);
    console->setWindowIcon(windowIcon());
    console->setFont(centralWidget()->font());
  }
  return *console;
}

void Klaxo::LoadConsole() {
  ConsoleWindow();
  Clear();
  console->show();
  Console = true;
  toc->SetUsers(*console, std::to_string(toc->LastChatID));
  console->ShowRoom(txtCr->text(), toc->strUserName);
}

void Klaxo::UnLoadConsole() {
  console->hide();
  Console = false;
  Clear();
}

void Klaxo::Clear() {
  if (console) console->Clear();
}

// Menus and the tray.

void Klaxo::mnuAbout_Click() { alerts_->ShowAbout(Caption()); }

void Klaxo::mnuTray_Click() {
  // With no tray there would be nothing to restore the window from.
  if (!mdlTray::AddTrayIcon(*this, windowIcon(), QStringLiteral("Klaxo©"), mnuForm, [this] { mnuShow_Click(); })) {
    lblStat->setText(QStringLiteral("No system tray on this desktop: the window stays open"));
    return;
  }
  mnuHide_Click();
}

void Klaxo::mnuHide_Click() {
  if (isMinimized()) return;
  showMinimized();
  hide();
}

void Klaxo::mnuShow_Click() {
  // A hidden window that is not minimized could not be reached either.
  if (isMinimized() || isHidden()) {
    showNormal();
    activateWindow();
  }
  mdlTray::RemoveTrayIcon();
}

void Klaxo::EndProgram() {
  Handle(Session::ExitPressed{});
  events_.Discard();
  QCoreApplication::exit(0);
}

void Klaxo::closeEvent(QCloseEvent* event) {
  mdlTray::RemoveTrayIcon();
  EndProgram();
  event->accept();
}
