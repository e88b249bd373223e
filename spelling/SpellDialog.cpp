#include "spelling/SpellDialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QList<TSpellAnswer> queuedAnswers;
QList<TSpellQuestion> askedQuestions;
SpellDialogSeam::TUnansweredHandler unansweredHandler;
std::function<void(TSpellDialog &)> dialogDriver;

QFont dialogFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(13);
    return font;
}
} // namespace

TSpellDialog::TSpellDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSpellCheck"));
    setWindowTitle(QStringLiteral("Tamsel Spell Check"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setFont(dialogFont());

    auto *lblWord = new QLabel(QStringLiteral("Unknown word"), this);
    redContext = new QTextEdit(this);
    redContext->setObjectName(QStringLiteral("redContext"));
    redContext->setReadOnly(true);
    redContext->setFixedHeight(fontMetrics().lineSpacing() * 4);
    lblWord->setBuddy(redContext);

    auto *lblVariants = new QLabel(QStringLiteral("&Variants"), this);
    edtChangeTo = new QLineEdit(this);
    edtChangeTo->setObjectName(QStringLiteral("edtChangeTo"));
    edtChangeTo->setAccessibleName(QStringLiteral("Change to"));
    lstVariants = new QListWidget(this);
    lstVariants->setObjectName(QStringLiteral("lstVariants"));
    lblVariants->setBuddy(edtChangeTo);
    connect(lstVariants, &QListWidget::currentTextChanged, edtChangeTo, &QLineEdit::setText);
    connect(lstVariants, &QListWidget::itemDoubleClicked, this, [this] { finish(TSpellAction::Change); });

    auto button = [this](const char *name, const QString &caption, TSpellAction action) {
        auto *pushButton = new QPushButton(caption, this);
        pushButton->setObjectName(QLatin1String(name));
        pushButton->setAutoDefault(false);
        connect(pushButton, &QPushButton::clicked, this, [this, action] { finish(action); });
        return pushButton;
    };
    btnChange = button("btnChange", QStringLiteral("&Change"), TSpellAction::Change);
    btnChangeAll = button("btnChangeAll", QStringLiteral("Change A&ll"), TSpellAction::ChangeAll);
    btnSkip = button("btnSkip", QStringLiteral("&Skip"), TSpellAction::Skip);
    btnSkipAll = button("btnSkipAll", QStringLiteral("S&kip All"), TSpellAction::SkipAll);
    btnAdd = button("btnAdd", QStringLiteral("&Add"), TSpellAction::Add);
    btnCancel = button("btnCancel", QStringLiteral("Ca&ncel"), TSpellAction::Cancel);
    btnUndo = button("btnUndo", QStringLiteral("&Undo Edit"), TSpellAction::UndoEdit);
    btnDelete = button("btnDelete", QStringLiteral("Delete"), TSpellAction::Delete);
    btnStart = button("btnStart", QStringLiteral("Start"), TSpellAction::Start);
    // A replacement needs a text; an empty one is what Delete is for.
    connect(edtChangeTo, &QLineEdit::textChanged, this, [this](const QString &text) {
        const bool usable = !text.trimmed().isEmpty();
        btnChange->setEnabled(usable);
        btnChangeAll->setEnabled(usable);
    });

    auto *layout = new QGridLayout(this);
    layout->addWidget(lblWord, 0, 0);
    layout->addWidget(redContext, 1, 0);
    layout->addWidget(lblVariants, 2, 0);
    layout->addWidget(edtChangeTo, 3, 0);
    layout->addWidget(lstVariants, 4, 0, 3, 1);
    auto *buttons = new QGridLayout;
    const QList<QList<QPushButton *>> rows { { btnChange, btnChangeAll }, { btnSkip, btnSkipAll },
        { btnAdd, btnDelete }, { btnUndo, btnStart }, { btnCancel } };
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < rows[row].size(); ++column)
            buttons->addWidget(rows[row][column], row, column);
    buttons->setRowStretch(int(rows.size()), 1);
    layout->addLayout(buttons, 1, 1, 6, 1);
    setTabOrder(edtChangeTo, lstVariants);
}

void TSpellDialog::Ask(const TSpellQuestion &question)
{
    // The word in its line, in red.
    redContext->clear();
    QTextCursor cursor(redContext->document());
    QTextCharFormat plain;
    QTextCharFormat marked;
    marked.setForeground(Qt::red);
    cursor.insertText(question.context.left(question.wordInContext), plain);
    cursor.insertText(question.word, marked);
    cursor.insertText(question.context.mid(question.wordInContext + question.word.size()), plain);

    lstVariants->clear();
    lstVariants->addItems(question.variants);
    edtChangeTo->setText(question.variants.isEmpty() ? question.word : question.variants.first());
    if (!question.variants.isEmpty())
        lstVariants->setCurrentRow(0);
    btnAdd->setEnabled(!question.repeated);
    btnSkipAll->setEnabled(!question.repeated);
    btnUndo->setEnabled(question.canUndo);
    // Enter takes the first variant; a repeated word is most often deleted.
    QPushButton *preferred = question.repeated ? btnDelete : question.variants.isEmpty() ? btnSkip : btnChange;
    preferred->setDefault(true);
    m_answer = {};
}

void TSpellDialog::finish(TSpellAction action)
{
    m_answer = { action, edtChangeTo->text() };
    if (action == TSpellAction::Cancel)
        reject();
    else
        accept();
}

void TSpellDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    if (dialogDriver) {
        auto driver = dialogDriver;
        QTimer::singleShot(0, this, [this, driver] { driver(*this); });
    }
}

TSpellAnswer AskSpelling(const TSpellQuestion &question, QWidget *parent)
{
    if (!queuedAnswers.isEmpty()) {
        askedQuestions << question;
        return queuedAnswers.takeFirst();
    }
    if (unansweredHandler && !dialogDriver) {
        askedQuestions << question;
        return unansweredHandler(question);
    }
    TSpellDialog dialog(parent);
    dialog.Ask(question);
    // Closing the window is Cancel.
    if (dialog.exec() != QDialog::Accepted)
        return { TSpellAction::Cancel, {} };
    return dialog.answer();
}

namespace SpellDialogSeam {
void setNextAnswers(const QList<TSpellAnswer> &answers) { queuedAnswers = answers; }
bool hasPendingAnswers() { return !queuedAnswers.isEmpty(); }
QList<TSpellQuestion> takeAskedQuestions() { return std::exchange(askedQuestions, {}); }
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler)
{
    return std::exchange(unansweredHandler, std::move(handler));
}
void setDialogDriver(std::function<void(TSpellDialog &)> driver) { dialogDriver = std::move(driver); }
} // namespace SpellDialogSeam
