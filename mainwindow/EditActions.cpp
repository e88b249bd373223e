#include "mainwindow/EditActions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
// The text field a focused widget edits, or null when it edits no text. Spin
// boxes and pickers keep their text in a line edit of their own.
QWidget *textFieldOf(QWidget *focused)
{
    for (QWidget *widget = focused; widget; widget = widget->parentWidget()) {
        if (qobject_cast<QLineEdit *>(widget) || qobject_cast<QTextEdit *>(widget)
            || qobject_cast<QPlainTextEdit *>(widget))
            return widget;
        if (auto *spinBox = qobject_cast<QAbstractSpinBox *>(widget))
            return spinBox->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
        if (auto *comboBox = qobject_cast<QComboBox *>(widget))
            return comboBox->lineEdit();
        if (widget->isWindow())
            break;
    }
    return nullptr;
}

// Calls an operation the three kinds of text field share on the field.
template <typename Operation>
void onField(QWidget *field, Operation operation)
{
    if (auto *line = qobject_cast<QLineEdit *>(field))
        operation(line);
    else if (auto *edit = qobject_cast<QTextEdit *>(field))
        operation(edit);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(field))
        operation(plain);
}

struct TFieldState
{
    bool hasSelection = false;
    bool hasText = false;
    bool canUndo = false;
    bool readOnly = true;
};

TFieldState stateOf(QWidget *field)
{
    TFieldState state;
    if (auto *line = qobject_cast<QLineEdit *>(field)) {
        state = {line->hasSelectedText(), !line->text().isEmpty(), line->isUndoAvailable(), line->isReadOnly()};
    } else if (auto *edit = qobject_cast<QTextEdit *>(field)) {
        state = {edit->textCursor().hasSelection(), !edit->document()->isEmpty(),
                 edit->document()->isUndoAvailable(), edit->isReadOnly()};
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(field)) {
        state = {plain->textCursor().hasSelection(), !plain->document()->isEmpty(),
                 plain->document()->isUndoAvailable(), plain->isReadOnly()};
    }
    return state;
}
} // namespace

TEditActions::TEditActions(const TActions &actions, QObject *parent) : QObject(parent), m_actions(actions)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { focusChanged(now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TEditActions::clipboardChanged);

    const auto act = [this](QAction *action, auto operation) {
        connect(action, &QAction::triggered, this, [this, operation] {
            onField(m_field, operation);
            updateActions();
        });
    };
    connect(m_actions.undo, &QAction::triggered, this, [this] {
        if (!m_field && m_undoWithoutField && m_undoWithoutFieldAvailable && m_undoWithoutFieldAvailable())
            m_undoWithoutField();
        else
            onField(m_field, [](auto *field) { field->undo(); });
        updateActions();
    });
    act(m_actions.cut, [](auto *field) { field->cut(); });
    act(m_actions.copy, [](auto *field) { field->copy(); });
    act(m_actions.paste, [](auto *field) { field->paste(); });
    act(m_actions.selectAll, [](auto *field) { field->selectAll(); });

    clipboardChanged();
    focusChanged(QApplication::focusWidget());
}

void TEditActions::setUndoWithoutField(std::function<bool()> available, std::function<void()> undo)
{
    m_undoWithoutFieldAvailable = std::move(available);
    m_undoWithoutField = std::move(undo);
    updateActions();
}

void TEditActions::updateActions()
{
    const TFieldState state = stateOf(m_field);
    const bool editable = m_field && !state.readOnly;
    m_actions.undo->setEnabled(m_field ? editable && state.canUndo
                                       : m_undoWithoutFieldAvailable && m_undoWithoutFieldAvailable());
    m_actions.cut->setEnabled(editable && state.hasSelection);
    m_actions.copy->setEnabled(m_field && state.hasSelection);
    m_actions.paste->setEnabled(editable && m_clipboardHasText);
    m_actions.selectAll->setEnabled(m_field && state.hasText);
}

void TEditActions::focusChanged(QWidget *now)
{
    // The menu bar takes the focus while a menu is opened from the keyboard
    // (Alt+E), and the focus returns to the field when the menu closes: the
    // commands picked meanwhile are for that field. Without a focus (another
    // program is active) the field is kept for when the window returns.
    if (!now || qobject_cast<QMenuBar *>(now) || qobject_cast<QMenu *>(now))
        return;
    watch(textFieldOf(now));
    updateActions();
}

void TEditActions::clipboardChanged()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    m_clipboardHasText = data && data->hasText() && !data->text().isEmpty();
    updateActions();
}

void TEditActions::watch(QWidget *field)
{
    if (field == m_field)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_fieldConnections))
        disconnect(connection);
    m_fieldConnections.clear();
    m_field = field;
    const auto update = [this] { updateActions(); };
    if (auto *line = qobject_cast<QLineEdit *>(field)) {
        m_fieldConnections = {connect(line, &QLineEdit::selectionChanged, this, update),
                              connect(line, &QLineEdit::textChanged, this, update)};
    } else if (auto *edit = qobject_cast<QTextEdit *>(field)) {
        m_fieldConnections = {connect(edit, &QTextEdit::selectionChanged, this, update),
                              connect(edit, &QTextEdit::textChanged, this, update),
                              connect(edit, &QTextEdit::undoAvailable, this, update)};
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(field)) {
        m_fieldConnections = {connect(plain, &QPlainTextEdit::selectionChanged, this, update),
                              connect(plain, &QPlainTextEdit::textChanged, this, update),
                              connect(plain, &QPlainTextEdit::undoAvailable, this, update)};
    }
}
