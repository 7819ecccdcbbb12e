#include "PreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setAccessibleName(QString::fromUtf8(name));
  return widget;
}

}  // namespace

PreferencesDialog::PreferencesDialog(const DeliverySettings& settings, QWidget* parent)
    : QDialog(parent),
      box_(Named(new QCheckBox(QStringLiteral("Show an alert &box"), this), "Show an alert box")),
      notify_(
          Named(new QCheckBox(QStringLiteral("Show a desktop &notification"), this), "Show a desktop notification")),
      sound_(Named(new QComboBox(this), "Alert sound")),
      soundFile_(Named(new QLineEdit(this), "Sound file")),
      chooseSound_(Named(new QPushButton(QStringLiteral("C&hoose..."), this), "Choose a sound file")),
      tray_(Named(new QCheckBox(QStringLiteral("Mark unseen alerts on the &tray icon"), this),
                  "Mark unseen alerts on the tray icon")),
      command_(Named(new QLineEdit(this), "Command to run")),
      commandSeconds_(Named(new QSpinBox(this), "Command time limit in seconds")),
      neverAlert_(Named(new QPlainTextEdit(this), "Senders who never raise an alert")),
      ignoreOwn_(Named(new QCheckBox(QStringLiteral("&Ignore my own lines"), this), "Ignore my own lines")),
      history_(Named(new QCheckBox(QStringLiteral("&Keep a history of alerts"), this), "Keep a history of alerts")),
      log_(Named(new QCheckBox(QStringLiteral("&Log the room, one file a day"), this), "Log the room")),
      timestamps_(Named(new QCheckBox(QStringLiteral("Show the time of each console &line"), this),
                        "Show the time of each console line")) {
  setWindowTitle(QStringLiteral("Preferences"));
  setAccessibleName(QStringLiteral("Preferences"));

  sound_->addItems(
      {QStringLiteral("No sound"), QStringLiteral("The desktop's message sound"), QStringLiteral("A sound file")});
  command_->setPlaceholderText(QStringLiteral("A program, run without a shell"));
  commandSeconds_->setRange(1, DeliverySettings::kMaxCommandSeconds);
  commandSeconds_->setSuffix(QStringLiteral(" s"));
  neverAlert_->setPlaceholderText(QStringLiteral("One screen name a line"));
  neverAlert_->setTabChangesFocus(true);

  auto* delivery = new QGroupBox(QStringLiteral("At each alert"), this);
  auto* deliveryForm = new QFormLayout(delivery);
  deliveryForm->addRow(box_);
  deliveryForm->addRow(notify_);
  auto* soundRow = new QHBoxLayout;
  soundRow->addWidget(sound_);
  soundRow->addWidget(soundFile_, 1);
  soundRow->addWidget(chooseSound_);
  // A label beside a row of several controls takes its mnemonic to the first.
  auto* soundLabel = new QLabel(QStringLiteral("&Sound:"), delivery);
  soundLabel->setBuddy(sound_);
  deliveryForm->addRow(soundLabel, soundRow);
  deliveryForm->addRow(tray_);
  auto* commandRow = new QHBoxLayout;
  commandRow->addWidget(command_, 1);
  commandRow->addWidget(commandSeconds_);
  auto* commandLabel = new QLabel(QStringLiteral("&Run:"), delivery);
  commandLabel->setBuddy(command_);
  deliveryForm->addRow(commandLabel, commandRow);

  auto* matching = new QGroupBox(QStringLiteral("Who raises alerts"), this);
  auto* matchingForm = new QFormLayout(matching);
  matchingForm->addRow(QStringLiteral("&Never:"), neverAlert_);
  matchingForm->addRow(ignoreOwn_);

  auto* kept = new QGroupBox(QStringLiteral("What is kept"), this);
  auto* keptLayout = new QVBoxLayout(kept);
  keptLayout->addWidget(history_);
  keptLayout->addWidget(log_);
  keptLayout->addWidget(timestamps_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("Save preferences"));
  buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel preferences"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(delivery);
  layout->addWidget(matching);
  layout->addWidget(kept);
  layout->addWidget(buttons);

  connect(sound_, &QComboBox::currentIndexChanged, this, &PreferencesDialog::SoundChosen);
  connect(chooseSound_, &QPushButton::clicked, this, [this] {
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Alert Sound"), soundFile_->text(),
                                                      QStringLiteral("Sounds (*.oga *.ogg *.wav);;All files (*)"));
    if (!file.isEmpty()) soundFile_->setText(file);
  });
  Show(settings);
}

void PreferencesDialog::Show(const DeliverySettings& settings) {
  box_->setChecked(settings.alertBox);
  notify_->setChecked(settings.notify);
  sound_->setCurrentIndex(static_cast<int>(settings.sound));
  soundFile_->setText(settings.soundFile);
  tray_->setChecked(settings.trayMarksUnseen);
  command_->setText(settings.command);
  commandSeconds_->setValue(settings.commandSeconds);
  neverAlert_->setPlainText(settings.senders.neverAlert.join(u'\n'));
  ignoreOwn_->setChecked(settings.senders.ignoreOwnLines);
  history_->setChecked(settings.keepHistory);
  log_->setChecked(settings.logRoom);
  timestamps_->setChecked(settings.consoleTimestamps);
  SoundChosen();
}

void PreferencesDialog::SoundChosen() {
  const bool file = sound_->currentIndex() == static_cast<int>(DeliverySettings::Sound::File);
  soundFile_->setEnabled(file);
  chooseSound_->setEnabled(file);
}

DeliverySettings PreferencesDialog::Settings() const {
  DeliverySettings settings;
  settings.alertBox = box_->isChecked();
  settings.notify = notify_->isChecked();
  settings.sound = static_cast<DeliverySettings::Sound>(sound_->currentIndex());
  settings.soundFile = soundFile_->text().trimmed();
  settings.trayMarksUnseen = tray_->isChecked();
  settings.command = command_->text().trimmed();
  settings.commandSeconds = commandSeconds_->value();
  for (const QString& name : neverAlert_->toPlainText().split(u'\n')) {
    if (!name.trimmed().isEmpty()) settings.senders.neverAlert.append(name.trimmed());
  }
  settings.senders.ignoreOwnLines = ignoreOwn_->isChecked();
  settings.keepHistory = history_->isChecked();
  settings.logRoom = log_->isChecked();
  settings.consoleTimestamps = timestamps_->isChecked();
  return settings;
}
