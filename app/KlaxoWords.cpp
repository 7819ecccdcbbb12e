// The word list: typed into the word box, removed with a double click, kept
// in the words file when there is one, and followed by the feed.
#include <QDir>
#include <QKeyEvent>
#include <QTextDocument>
#include <QToolTip>

#include "Klaxo.h"
#include "Report.h"
#include "WordList.h"

namespace {

// Keys that produce a character: printable ones, space, Backspace, Enter and
// Escape, but not Delete or the focus keys.
bool ProducesCharacter(int key, const QString& text) {
  if (text.isEmpty()) return false;
  return key != Qt::Key_Delete && key != Qt::Key_Tab && key != Qt::Key_Backtab;
}

}  // namespace

QStringList Klaxo::WordList() const {
  QStringList words;
  for (int i = 0; i < lstNotify->count(); ++i) words.append(lstNotify->item(i)->text());
  return words;
}

QList<WordRule> Klaxo::WordRules() const {
  // Each entry was a sound rule's line when it was added.
  QList<WordRule> rules;
  QString error;
  for (const QString& line : WordList()) {
    if (auto rule = ParseRuleLine(line, error)) rules.append(std::move(*rule));
  }
  return rules;
}

void Klaxo::FollowWords() {
  const auto changed = [this] { feed.SetWords(WordMatcher(WordRules(), delivery_.senders)); };
  const QAbstractItemModel* list = lstNotify->model();
  connect(list, &QAbstractItemModel::rowsInserted, this, changed);
  connect(list, &QAbstractItemModel::rowsRemoved, this, changed);
  connect(list, &QAbstractItemModel::dataChanged, this, changed);
  connect(list, &QAbstractItemModel::modelReset, this, changed);
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
    case WordBoxStep::AddWord: {
      // Options come first in parentheses; a plain word is added as always.
      QString error;
      const auto rule = ParseRuleLine(txtNotify->text(), error);
      if (!rule) {
        lblStat->setText(QStringLiteral("Cannot add the word: %1").arg(error));
        return true;
      }
      lstNotify->addItem(RuleLine(*rule));
      txtNotify->clear();
      SaveWords();
      return true;
    }
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
  QList<WordsFileProblem> problems;
  if (const auto rules = wordsFile_->LoadRules(problems, error)) {
    for (const WordRule& rule : *rules) lstNotify->addItem(RuleLine(rule));
    if (problems.isEmpty()) return;
    // The lines skipped are named, not lost: the file keeps them until the list is saved.
    QStringList lines;
    for (const WordsFileProblem& problem : problems)
      lines.append(QStringLiteral("line %1: %2").arg(problem.line).arg(problem.reason));
    const QString message = QStringLiteral("Skipped in the word list %1: %2")
                                .arg(QDir::toNativeSeparators(wordsFile_->Path()), lines.join(QStringLiteral("; ")));
    Report(message);
    lblStat->setText(message);
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
  if (wordsFile_->SaveRules(WordRules(), error)) return;
  const QString message =
      QStringLiteral("Cannot save the word list to %1: %2").arg(QDir::toNativeSeparators(wordsFile_->Path()), error);
  Report(message);
  lblStat->setText(message);
}
