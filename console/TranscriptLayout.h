// The layout of the console's transcript: the view hears of new lines once
// per turn of the event loop, however many arrived in it.
//
// The plain-text layout tells its view of every change at once, and the view
// answers by laying out the last screenful of lines to size its scroll bar:
// a busy room would have every line shaped as it arrives, though only the
// last screenful is ever drawn. Here the document itself changes at once;
// the view learns of the changes, sizes its scroll bar and repaints once,
// when the event loop next runs, and then settled() is raised.
#pragma once

#include <QPlainTextDocumentLayout>

class TranscriptLayout : public QPlainTextDocumentLayout {
  Q_OBJECT

 public:
  explicit TranscriptLayout(QTextDocument* document);

 signals:
  // The view has caught up with the changes made since it last did.
  void settled();

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;

 private:
  void Settle();

  bool settling_ = false;
};
