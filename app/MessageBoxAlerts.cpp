#include "MessageBoxAlerts.h"

#include <QMessageBox>

void MessageBoxAlerts::ShowAlert(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Alert"), text, QMessageBox::Ok);
  box.setObjectName(QStringLiteral("Alert"));
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}
