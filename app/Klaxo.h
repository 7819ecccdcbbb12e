// The main window: signs on and off, joins and leaves one room, keeps the
// word list, opens the chat console, and goes to the system tray. It holds
// the one TOC control, toc, for its whole life, and the room feed that is
// the control's only listener (RoomFeed.h). The window, the console and the
// alert boxes are sinks of that feed: the window shows its status lines.
//
// The window's work is split by what it concerns: Klaxo.cpp builds it and
// handles its menus and the tray, KlaxoSession.cpp the session, its buttons
// and what the command line starts, KlaxoWords.cpp the word list and
// KlaxoConsole.cpp the console.
//
// Options go beyond the plain program: signing on again after a lost
// connection, keeping the word list in a file between runs, and a watch that
// starts by itself (signing on with the password the keyring keeps, joining a
// room, starting in the tray).
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "AlertBoxSink.h"
#include "AlertDeliveries.h"
#include "DeliverySettings.h"
#include "EventQueue.h"
#include "FeedSink.h"
#include "QuovTOCSock.h"
#include "RoomFeed.h"
#include "RoomOption.h"
#include "SecretStore.h"
#include "ServerAddress.h"
#include "Session.h"
#include "SessionClock.h"
#include "WordsFile.h"
#include "frmConsole.h"

// What the command line turns on; the defaults are the plain program.
struct KlaxoOptions {
  // Sign on again after a lost connection, and rejoin the room (--reconnect).
  bool reconnect = false;
  // Where the word list is kept between runs (--words); empty keeps it nowhere.
  QString wordsFile;
  // The session's clock and randomness; the real ones when not given.
  std::unique_ptr<SessionClock> clock;
  Session::Random random;
  // At start, sign on as this name with the password the keyring keeps for it
  // (--sign-on); empty signs on only when the user presses Sign On.
  QString signOnName;
  // Join this room once signed on (--join).
  std::optional<RoomOption> room;
  // Store the password of the next sign-on the server accepts (--remember-password).
  bool rememberPassword = false;
  // Start sent to the tray (--tray).
  bool startInTray = false;
  // The keyring; the desktop's when not given.
  std::unique_ptr<SecretStore> secrets;
  // Whether the socket's failure is lasting, the program's installation at
  // fault (LoadedSocket::Unusable): then it is not tried again.
  std::function<bool()> socketUnusable;
  // How alerts reach the user; the plain program's unless given (main.cpp
  // gives the settings file's, with the command line's for the run).
  DeliverySettings delivery = PlainDelivery();
};

class Klaxo : public QMainWindow, public FeedSink {
  Q_OBJECT

 public:
  Klaxo(std::unique_ptr<TocSocket> socket, std::unique_ptr<AlertPresenter> alerts,
        ServerAddress server = ServerAddress(), KlaxoOptions options = {});
  ~Klaxo() override;

  static QString Caption();

  // Shows the window, or sends it to the tray, and starts what the options
  // ask for at start. The window never waits for the keyring.
  void StartWatch();

  void LoadConsole();
  void UnLoadConsole();
  void Clear();
  // The console, built the first time it is needed: a console never opened
  // costs nothing.
  frmConsole& ConsoleWindow();

  bool InChat = false;
  bool Console = false;

  QLineEdit* txtSn;
  QLineEdit* txtPw;
  QLineEdit* txtCr;
  QLineEdit* txtEx;
  QListWidget* lstNotify;
  QPushButton* cmdSignon;
  QPushButton* cmdSignoff;
  QPushButton* cmdJoin;
  QPushButton* cmdLeave;
  QLineEdit* txtNotify;
  QCheckBox* chkConsole;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* lblStat;
  QLabel* Label5;

  QMenu* mnuFile;
  QAction* mnuExit;
  QMenu* mnuForm;
  QAction* mnuShow;
  QAction* mnuHide;
  QAction* mnuExit2;
  QAction* mnuAbout;
  QAction* mnuTray;
  QAction* mnuPreferences;
  QAction* mnuHistory;

  // Declared before the control, which reports to it, and gone after it.
  RoomFeed feed;
  std::unique_ptr<QuovTOCSock> toc;
  // Empty until the console is first needed.
  std::unique_ptr<frmConsole> console;

  // The window as a sink of the feed: the status line.
  void Status(const QString& line) override;

  // Takes the ways of delivery at once, as Preferences does.
  void ApplyDelivery(const DeliverySettings& delivery);
  [[nodiscard]] const DeliverySettings& Delivery() const { return delivery_; }
  // The alerts that came while the window was in the tray, until it is shown.
  [[nodiscard]] int UnseenAlerts() const { return unseen_; }

  // The work waiting behind an open alert box, for measuring it.
  [[nodiscard]] const EventQueue& Waiting() const { return feed.Waiting(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();

  void cmdSignon_Click();
  void cmdSignoff_Click();
  void cmdJoin_Click();
  void cmdLeave_Click();
  void chkConsole_Click(bool ticked);
  void lstNotify_DblClick(QListWidgetItem* item);
  // The word box's key rule; true when the key is consumed.
  bool txtNotify_KeyPress(int key, const QString& text);

  void mnuAbout_Click();
  void mnuTray_Click();
  void mnuHide_Click();
  void mnuShow_Click();
  void mnuPreferences_Click();
  void mnuHistory_Click();
  // An alert reached every way chosen; the tray marks it while the window is away.
  void AlertArrived();
  // The console's lines carry their time when chosen.
  void StampConsole();
  // Ends the program at once, without signing off; the tray icon goes first.
  void EndProgram();

  QStringList WordList() const;
  QList<WordRule> WordRules() const;
  // The feed searches messages for the list as it reads now.
  void FollowWords();
  void LoadWords();
  void SaveWords();

  // The session: every button, control event and timer that concerns it goes
  // to session_, and the window carries out what it answers.
  void Handle(const Session::Event& event);
  // The same for the control's events, as the feed hands them on.
  void HandleFromFeed(const Session::Event& event);
  void Carry(const Session::Action& action);
  void ShowSession(const Session::Show& show);
  // Sets the status line once the work before it has run; only the latest
  // line waits.
  void ShowStatus(const QString& line);
  void ScheduleWake();
  void ReadPassword(const std::string& name);
  void RememberPassword(const std::string& name, const std::string& password);
  // Sends the window to the tray once a tray appears, for a while after start.
  void WaitForTray();

  AlertBoxSink alerts_;
  ServerAddress server_;
  std::unique_ptr<SessionClock> clock_;
  Session session_;
  std::unique_ptr<SecretStore> secrets_;
  // What the command line asked for at start.
  QString startName_;
  std::optional<RoomOption> startRoom_;
  bool startInTray_;
  bool rememberPassword_;
  std::function<bool()> socketUnusable_;

  std::optional<WordsFile> wordsFile_;
  DeliverySettings delivery_;
  AlertDeliveries deliveries_;
  int unseen_ = 0;
};
