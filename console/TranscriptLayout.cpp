#include "TranscriptLayout.h"

#include <QTextDocument>

TranscriptLayout::TranscriptLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {}

void TranscriptLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
  const bool wasBlocked = blockSignals(true);
  QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
  blockSignals(wasBlocked);
  if (settling_) return;
  settling_ = true;
  QMetaObject::invokeMethod(this, &TranscriptLayout::Settle, Qt::QueuedConnection);
}

void TranscriptLayout::Settle() {
  settling_ = false;
  emit documentSizeChanged(documentSize());
  const qreal margin = document()->documentMargin();
  emit update(QRectF(0, -margin, 1e9, 1e9));
  emit settled();
}
