// The editor fields' keys and focus, the kind buttons' focus marking, Enter on a
// list row, and the wiring of the editor's signals to the main window's handlers.
#include "mainwindow/EditorEvents.h"

#include "mainwindow/Main.h"
#include "controls/DateStamp.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/LocaleFormat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>

TEditorEvents::TEditorEvents(TfrmMain *main)
    : QObject(main)
    , m_main(main)
{
    setObjectName(WindowEventFilterName);
}

bool TEditorEvents::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_main->pnlContents) {
        if (event->type() == QEvent::Resize)
            m_main->pnlContentsResize();
        return false;
    }
    // Enter opens the highlighted row, as a double click does.
    if (auto *list = qobject_cast<QTreeView *>(watched)) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        m_main->lsvNotesDblClick(list);
        return true;
    }
    // The kind buttons and the search-scope buttons mark their focus.
    if (qobject_cast<QRadioButton *>(watched)) {
        if (event->type() == QEvent::FocusIn)
            m_main->radAllNotesEnter(static_cast<QWidget *>(watched));
        else if (event->type() == QEvent::FocusOut)
            m_main->radAllNotesExit(static_cast<QWidget *>(watched));
        return false;
    }
    auto *field = qobject_cast<TRichEditURL *>(watched);
    if (!field)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        return m_main->redNoteOriginalKeyPress(field, static_cast<QKeyEvent *>(event));
    case QEvent::KeyRelease:
        if (field != m_main->edtTitle)
            m_main->redFileNameKeyUp(static_cast<QKeyEvent *>(event));
        return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        m_main->redNoteOriginalEnter();
        return false;
    default:
        return false;
    }
}

bool TfrmMain::redNoteOriginalKeyPress(TRichEditURL *sender, QKeyEvent *event)
{
    // Ctrl+B types a bullet (character 149 of Windows-1252).
    if (event->key() != Qt::Key_B || (event->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return false;
    if (!sender->isReadOnly())
        sender->insertPlainText(QString(QChar(0x2022)));
    return true;
}

void TfrmMain::redFileNameKeyUp(QKeyEvent *event)
{
    // A held key repeats its release; the stamp goes in once, on the real release.
    if (event->isAutoRepeat())
        return;
    // Always into the body, also when the key came to the file field; not
    // into a body shown only in part (read-only), whose value is the whole.
    if (redNote->isReadOnly())
        return;
    if (const QString stamp = DateStampForKey(event->key()); !stamp.isEmpty())
        redNote->insertPlainText(stamp + QLatin1Char(' '));
}

void TfrmMain::radAllNotesEnter(QWidget *sender)
{
    QFont font = sender->font();
    font.setBold(true);
    sender->setFont(font);
}

void TfrmMain::radAllNotesExit(QWidget *sender)
{
    QFont font = sender->font();
    font.setBold(false);
    sender->setFont(font);
}

void TfrmMain::RemoveEventFilters()
{
    qDeleteAll(findChildren<QObject *>(WindowEventFilterName, Qt::FindDirectChildrenOnly));
}

void TfrmMain::ConnectEditorEvents()
{
    auto *events = new TEditorEvents(this);
    for (QObject *watched : std::initializer_list<QObject *> { edtTitle, redNote, redFileName, radNote,
             radTask, radAllNotes, radCurrentTab, radCurrentNote, pnlContents, lsvNotes, lsvTasks })
        watched->installEventFilter(events);
    // A radio button's caption turns bold with the focus: each keeps the room
    // its bold caption takes, so its neighbours stay where they are.
    for (QRadioButton *button : { radNote, radTask, radAllNotes, radCurrentTab, radCurrentNote }) {
        const QFont regular = button->font();
        radAllNotesEnter(button);
        button->setMinimumWidth(button->sizeHint().width());
        button->setFont(regular);
    }

    for (TRichEditURL *field : { edtTitle, redNote, redFileName })
        connect(field, &QTextEdit::textChanged, this, [this] { edtTitleOriginalChange(); });
    connect(dtpDate, &QDateEdit::dateChanged, this, [this] { edtTitleOriginalChange(); });
    connect(dtpTime, &QTimeEdit::timeChanged, this, [this] { edtTitleOriginalChange(); });
    connect(chkComplete, &QCheckBox::clicked, this, [this] { edtTitleOriginalChange(); });
    // Only the user's choice changes the entry; the program sets rows quietly.
    connect(cboReminder, &QComboBox::activated, this, [this] { cboReminderChange(); });

    for (QRadioButton *kind : { radNote, radTask })
        connect(kind, &QRadioButton::clicked, this, [this] { radNoteClick(); });

    connect(actNewNote, &QAction::triggered, this, [this] { actNewNoteExecute(); });
    connect(actSaveNote, &QAction::triggered, this, [this] { actSaveNoteExecute(); });
    connect(actDeleteNote, &QAction::triggered, this, [this] { actDeleteNoteExecute(); });
    connect(actFont, &QAction::triggered, this, [this] { actFontExecute(); });
    connect(timAutoSave, &QTimer::timeout, this, [this] { timAutoSaveTimer(); });

    connect(lsvNotes->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this] { lsvNotesSelectItem(); });
    connect(lsvTasks->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this] { lsvTasksSelectItem(); });
    connect(lsvNotes, &QTreeView::clicked, this, [this] { lsvNotesClick(); });

    for (TRichEditURL *field : { edtTitle, redNote })
        connect(field, &TRichEditURL::OnURLClick, this,
            [this](TRichEditURL *sender, const QString &url) { redNoteURLClick(sender, url); });
}
