#include "Klaxo.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QRandomGenerator>
#include <limits>
#include <utility>

#include "HistoryWindow.h"
#include "KeychainSecretStore.h"
#include "PreferencesDialog.h"
#include "Twips.h"
#include "mdlTray.h"

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int left, int top, int width, int height) {
  auto* label = Place(new QLabel(QString::fromUtf8(text), parent), name, left, top, width, height);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

Klaxo::Klaxo(std::unique_ptr<TocSocket> socket, std::unique_ptr<AlertPresenter> alerts, ServerAddress server,
             KlaxoOptions options)
    : feed([this](const Session::Event& event) { HandleFromFeed(event); }),
      alerts_(std::move(alerts)),
      server_(std::move(server)),
      clock_(options.clock ? std::move(options.clock) : std::make_unique<QtSessionClock>()),
      session_({options.reconnect, options.rememberPassword},
               options.random ? std::move(options.random)
                              : Session::Random([] { return QRandomGenerator::global()->generateDouble(); })),
      secrets_(options.secrets ? std::move(options.secrets) : std::make_unique<KeychainSecretStore>()),
      startName_(std::move(options.signOnName)),
      startRoom_(std::move(options.room)),
      startInTray_(options.startInTray),
      rememberPassword_(options.rememberPassword),
      socketUnusable_(std::move(options.socketUnusable)),
      delivery_(std::move(options.delivery)),
      deliveries_({[this](const QString& line) { ShowStatus(line); },
                   [this] {
                     // A clicked notification brings the window back from the tray, or to the front.
                     mnuShow_Click();
                     raise();
                     activateWindow();
                   },
                   [this] { AlertArrived(); }, [this] { return feed.RoomName(); }}) {
  Q_INIT_RESOURCE(klaxo);
  setObjectName(QStringLiteral("Klaxo"));
  setWindowTitle(Caption());
  setWindowIcon(QIcon(QStringLiteral(":/klaxo.png")));
  BuildControls();
  BuildMenus();
  FollowWords();
  feed.AddSink(*this);
  feed.AddSink(alerts_);
  feed.AddSink(deliveries_, RoomFeed::Delivery::AtOnce);
  ApplyDelivery(delivery_);
  toc = std::make_unique<QuovTOCSock>(std::move(socket), &feed);
  if (!options.wordsFile.isEmpty()) {
    wordsFile_.emplace(options.wordsFile);
    LoadWords();
  }
}

Klaxo::~Klaxo() {
  // The console and the control go before the boxes they refer to, and the
  // word list, emptied as the window's widgets go, no longer tells the feed.
  lstNotify->model()->disconnect(this);
  if (console) feed.RemoveSink(*console);
  feed.RemoveSink(deliveries_);
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

  mnuPreferences = mnuFile->addAction(QStringLiteral("Preferences..."), this, &Klaxo::mnuPreferences_Click);
  mnuPreferences->setObjectName(QStringLiteral("mnuPreferences"));
  mnuHistory = mnuFile->addAction(QStringLiteral("Alert History..."), this, &Klaxo::mnuHistory_Click);
  mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
  mnuFile->insertActions(mnuExit, {mnuPreferences, mnuHistory});

  mnuAbout = menuBar()->addAction(QStringLiteral("About"), this, &Klaxo::mnuAbout_Click);
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
  mnuTray = menuBar()->addAction(QStringLiteral("Send to Tray"), this, &Klaxo::mnuTray_Click);
  mnuTray->setObjectName(QStringLiteral("mnuTray"));
}

void Klaxo::Status(const QString& line) { lblStat->setText(line); }

// Menus and the tray.

void Klaxo::mnuAbout_Click() { alerts_.Presenter().ShowAbout(Caption()); }

void Klaxo::mnuPreferences_Click() {
  PreferencesDialog dialog(delivery_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const DeliverySettings chosen = dialog.Settings();
  const std::unique_ptr<QSettings> settings = KlaxoSettings();
  WriteDeliverySettings(*settings, chosen);
  settings->sync();
  if (settings->status() != QSettings::NoError) {
    ShowStatus(QStringLiteral("Cannot save the preferences to %1; they hold for this run")
                   .arg(QDir::toNativeSeparators(settings->fileName())));
  }
  ApplyDelivery(chosen);
}

void Klaxo::mnuHistory_Click() {
  AlertHistory* history = deliveries_.History();
  if (history == nullptr) {
    ShowStatus(QStringLiteral("No alert history is kept: keep one in Preferences"));
    return;
  }
  HistoryWindow window(*history, this);
  window.exec();
}

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

void Klaxo::ApplyDelivery(const DeliverySettings& delivery) {
  delivery_ = delivery;
  alerts_.SetShown(delivery_.alertBox);
  deliveries_.Apply(delivery_);
  feed.SetWords(WordMatcher(WordRules(), delivery_.senders));
  if (!delivery_.trayMarksUnseen) unseen_ = 0;
  StampConsole();
}

void Klaxo::AlertArrived() {
  if (!delivery_.trayMarksUnseen || !mdlTray::TrayIconShown()) return;
  ++unseen_;
  mdlTray::SetTrayTip(unseen_ == 1 ? QStringLiteral("Klaxo© - 1 unseen alert")
                                   : QStringLiteral("Klaxo© - %1 unseen alerts").arg(unseen_));
}

void Klaxo::mnuShow_Click() {
  unseen_ = 0;
  // A hidden window that is not minimized could not be reached either.
  if (isMinimized() || isHidden()) {
    showNormal();
    activateWindow();
  }
  mdlTray::RemoveTrayIcon();
}

void Klaxo::EndProgram() {
  Handle(Session::ExitPressed{});
  feed.Discard();
  QCoreApplication::exit(0);
}

void Klaxo::closeEvent(QCloseEvent* event) {
  mdlTray::RemoveTrayIcon();
  EndProgram();
  event->accept();
}