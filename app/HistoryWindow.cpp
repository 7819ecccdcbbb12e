#include "HistoryWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ShownLine.h"

HistoryWindow::HistoryWindow(AlertHistory& history, QWidget* parent)
    : QDialog(parent),
      history_(history),
      search_(new QLineEdit(this)),
      table_(new QTableWidget(0, kColumns, this)),
      summary_(new QLabel(this)),
      markSeen_(new QPushButton(QStringLiteral("&Mark All Seen"), this)) {
  setWindowTitle(QStringLiteral("Alert History"));
  setAccessibleName(QStringLiteral("Alert history"));
  resize(760, 420);

  search_->setPlaceholderText(QStringLiteral("Search room, sender, word or text"));
  search_->setClearButtonEnabled(true);
  search_->setAccessibleName(QStringLiteral("Search alerts"));
  table_->setAccessibleName(QStringLiteral("Alerts, newest first"));
  table_->setHorizontalHeaderLabels({QStringLiteral("New"), QStringLiteral("Time"), QStringLiteral("Room"),
                                     QStringLiteral("Sender"), QStringLiteral("Word"), QStringLiteral("Text")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  summary_->setAccessibleName(QStringLiteral("Unseen alerts"));
  markSeen_->setAccessibleName(QStringLiteral("Mark all alerts seen"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setAccessibleName(QStringLiteral("Close alert history"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary_, 1);
  buttons->addWidget(markSeen_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search_);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);

  connect(search_, &QLineEdit::textChanged, this, &HistoryWindow::Refresh);
  connect(markSeen_, &QPushButton::clicked, this, [this] {
    history_.MarkAllSeen();
    Refresh();
    if (onMarkedSeen) onMarkedSeen();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  Refresh();
}

void HistoryWindow::Refresh() {
  const QList<StoredAlert> alerts = history_.Newest(kMaxRows, search_->text());
  table_->setRowCount(0);
  table_->setRowCount(static_cast<int>(alerts.size()));
  for (int row = 0; row < alerts.size(); ++row) {
    const StoredAlert& alert = alerts[row];
    const QString cells[kColumns] = {alert.seen ? QString() : QStringLiteral("new"),
                                     alert.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                     ShownLine(alert.room),
                                     ShownLine(alert.sender),
                                     ShownLine(alert.word),
                                     ShownLine(alert.text)};
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (!alert.seen) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
      }
      table_->setItem(row, column, item);
    }
  }
  const qint64 unseen = history_.CountUnseen();
  summary_->setText(unseen == 0 ? QStringLiteral("No unseen alerts") : QStringLiteral("%1 unseen").arg(unseen));
  markSeen_->setEnabled(unseen > 0);
}
