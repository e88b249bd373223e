#pragma once

#include "spelling/SpellCheck.h"

#include <QDialog>
#include <QList>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

// The word dialog "Tamsel Spell Check": the word in its line, the variants,
// and the buttons that decide what becomes of it.
class TSpellDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TSpellDialog(QWidget *parent = nullptr);

    void Ask(const TSpellQuestion &question);
    TSpellAnswer answer() const { return m_answer; }

    QTextEdit *redContext = nullptr;
    QLineEdit *edtChangeTo = nullptr;
    QListWidget *lstVariants = nullptr;
    QPushButton *btnChange = nullptr;
    QPushButton *btnChangeAll = nullptr;
    QPushButton *btnSkip = nullptr;
    QPushButton *btnSkipAll = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnUndo = nullptr;
    QPushButton *btnDelete = nullptr;
    QPushButton *btnStart = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void finish(TSpellAction action);

    TSpellAnswer m_answer;
};

// Shows the word dialog modally and returns the user's answer.
TSpellAnswer AskSpelling(const TSpellQuestion &question, QWidget *parent);

// Test seam: while answers are queued, AskSpelling shows nothing and returns
// the next one, recording the question. A question without a queued answer
// goes to the unanswered handler when one is set.
namespace SpellDialogSeam {
void setNextAnswers(const QList<TSpellAnswer> &answers);
bool hasPendingAnswers();
QList<TSpellQuestion> takeAskedQuestions();
using TUnansweredHandler = std::function<TSpellAnswer(const TSpellQuestion &)>;
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);
// For tests that press the real dialog's buttons: called with the dialog once it shows.
void setDialogDriver(std::function<void(TSpellDialog &)> driver);
} // namespace SpellDialogSeam
