// The window of alerts missed and past: newest first, the unseen marked
// "new", narrowed by a search box as it is typed.
#pragma once

#include <QDialog>
#include <functional>

#include "AlertHistory.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class HistoryWindow : public QDialog {
  Q_OBJECT
 public:
  // Rows shown at most; the search reaches every stored alert.
  static constexpr int kMaxRows = 1000;
  static constexpr int kColumns = 6;

  explicit HistoryWindow(AlertHistory& history, QWidget* parent = nullptr);

  // Reads the store again, as after a new alert.
  void Refresh();

  // After Mark All Seen, for the tray to stop marking unseen alerts.
  std::function<void()> onMarkedSeen;

  [[nodiscard]] QTableWidget* Table() const { return table_; }
  [[nodiscard]] QLineEdit* SearchBox() const { return search_; }
  [[nodiscard]] QPushButton* MarkSeenButton() const { return markSeen_; }

 private:
  AlertHistory& history_;
  QLineEdit* search_;
  QTableWidget* table_;
  QLabel* summary_;
  QPushButton* markSeen_;
};
