// The Preferences dialog: how alerts reach the user and which lines raise
// them. It edits a copy of the settings; the caller keeps Settings() when
// the dialog is accepted.
#pragma once

#include <QDialog>

#include "DeliverySettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class PreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PreferencesDialog(const DeliverySettings& settings, QWidget* parent = nullptr);

  [[nodiscard]] DeliverySettings Settings() const;

 private:
  void Show(const DeliverySettings& settings);
  void SoundChosen();

  QCheckBox* box_;
  QCheckBox* notify_;
  QComboBox* sound_;
  QLineEdit* soundFile_;
  QPushButton* chooseSound_;
  QCheckBox* tray_;
  QLineEdit* command_;
  QSpinBox* commandSeconds_;
  QPlainTextEdit* neverAlert_;
  QCheckBox* ignoreOwn_;
  QCheckBox* history_;
  QCheckBox* log_;
  QCheckBox* timestamps_;
};
