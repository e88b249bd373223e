// Building the main window's frame: tool bar, menus, editor pane, splitter,
// list pane with the two lists and the status bar.
#include "app/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "mainwindow/EntryRow.h"
#include "mainwindow/ImageList.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
QAction *makeAction(QObject *owner, const char *name, const QString &caption,
                    const QKeySequence &shortcut, int image, const QString &hint = {})
{
    auto *action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (image >= 0)
        action->setIcon(ImageList::icon(image));
    if (!hint.isEmpty()) {
        // "Short|Long": the short hint is the tool tip, the long one the status tip.
        const QString shortHint = hint.section(QLatin1Char('|'), 0, 0);
        const QString longHint = hint.contains(QLatin1Char('|')) ? hint.section(QLatin1Char('|'), 1)
                                                                 : hint;
        action->setToolTip(shortHint);
        action->setStatusTip(longHint);
    }
    return action;
}

QTreeWidget *configureList(QTreeWidget *list, const char *name, const QStringList &captions,
                           const QList<int> &widths, int columns)
{
    list->setObjectName(QLatin1String(name));
    list->setColumnCount(columns);
    list->setHeaderLabels(captions);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->header()->setSortIndicatorShown(false);
    list->header()->setSectionsClickable(true);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths.at(i));
    for (int i = int(captions.size()); i < columns; ++i)
        list->setColumnHidden(i, true);
    return list;
}
} // namespace

void TfrmMain::CreateFrame()
{
    setWindowTitle(QStringLiteral("Tamsel"));
    setObjectName(QStringLiteral("frmMain"));
    setGeometry(547, 89, 815, 654);

    CreateActions();
    CreateMenus();

    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->addActions({actNewNote, actSaveNote, actDeleteNote});
    ToolBar1->addSeparator();
    ToolBar1->addAction(actEditUndo);
    ToolBar1->addSeparator();
    ToolBar1->addActions({actEditCut, actEditCopy, actEditPaste, actAddFile});
    ToolBar1->addSeparator();
    ToolBar1->addActions({actSaveNotesAs, actSendMail});
    ToolBar1->addSeparator();
    ToolBar1->addActions({actSpellCheck, actPrint});
    ToolBar1->addSeparator();
    ToolBar1->addActions({actFont, actHelp});
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);

    pnlContents = new QFrame(Splitter1);
    pnlContents->setObjectName(QStringLiteral("pnlContents"));
    pnlContents->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    pnlContents->setMinimumSize(600, 100);
    CreateEditorPane();

    pnlNoteList = new QWidget(Splitter1);
    pnlNoteList->setObjectName(QStringLiteral("pnlNoteList"));
    pnlNoteList->setMinimumHeight(100);
    auto *listLayout = new QVBoxLayout(pnlNoteList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    pgcData = new QTabWidget(pnlNoteList);
    pgcData->setObjectName(QStringLiteral("pgcData"));
    tabNotes = new QWidget;
    tabNotes->setObjectName(QStringLiteral("tabNotes"));
    tabTasks = new QWidget;
    tabTasks->setObjectName(QStringLiteral("tabTasks"));
    pgcData->addTab(tabNotes, QStringLiteral("N&otes"));
    pgcData->addTab(tabTasks, QStringLiteral("&Tasks"));
    listLayout->addWidget(pgcData, 1);
    CreateLists();

    barStatus = new QStatusBar(pnlNoteList);
    barStatus->setObjectName(QStringLiteral("barStatus"));
    barStatus->setSizeGripEnabled(false);
    edtFind = new QLineEdit(barStatus);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    btnFind = new QPushButton(QStringLiteral("Find"), barStatus);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    barStatus->addPermanentWidget(edtFind);
    barStatus->addPermanentWidget(btnFind);
    listLayout->addWidget(barStatus);

    Splitter1->addWidget(pnlContents);
    Splitter1->addWidget(pnlNoteList);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({196, 400});
    setCentralWidget(Splitter1);

    connect(pgcData, &QTabWidget::currentChanged, this, [this] { pgcDataChange(); });
}

void TfrmMain::CreateActions()
{
    actNewNote = makeAction(this, "actNewNote", QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")), 0,
                            QStringLiteral("Add new entry."));
    actSaveNote = makeAction(this, "actSaveNote", QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")), 1,
                             QStringLiteral("Save changes to current entry."));
    actDeleteNote = makeAction(this, "actDeleteNote", QStringLiteral("&Delete"), {}, 3,
                               QStringLiteral("Delete current entry."));
    actPrint = makeAction(this, "actPrint", QStringLiteral("&Print"), QKeySequence(QStringLiteral("Ctrl+P")), 5);
    actEditUndo = makeAction(this, "actEditUndo", QStringLiteral("&Undo"), QKeySequence(QStringLiteral("Ctrl+Z")), 7,
                             QStringLiteral("Undo|Reverts the last action"));
    actEditCopy = makeAction(this, "actEditCopy", QStringLiteral("&Copy"), QKeySequence(QStringLiteral("Ctrl+C")), 8,
                             QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"));
    actEditCut = makeAction(this, "actEditCut", QStringLiteral("Cu&t"), QKeySequence(QStringLiteral("Ctrl+X")), 9,
                            QStringLiteral("Cut|Cuts the selection and puts it on the Clipboard"));
    actEditPaste = makeAction(this, "actEditPaste", QStringLiteral("&Paste"), QKeySequence(QStringLiteral("Ctrl+V")), 10,
                              QStringLiteral("Paste|Inserts Clipboard contents"));
    actEditSelectAll = makeAction(this, "actEditSelectAll", QStringLiteral("Select &All"),
                                  QKeySequence(QStringLiteral("Ctrl+A")), -1,
                                  QStringLiteral("Select All|Selects the entire document"));
    actFont = makeAction(this, "actFont", QStringLiteral("&Font..."), QKeySequence(QStringLiteral("Ctrl+O")), 11,
                         QStringLiteral("Manage the font."));
    actSendMail = makeAction(this, "actSendMail", QStringLiteral("Send Note as E-&Mail"),
                             QKeySequence(QStringLiteral("Ctrl+M")), 12);
    actSaveNotesAs = makeAction(this, "actSaveNotesAs", QStringLiteral("Save Note(s) &to File"),
                                QKeySequence(QStringLiteral("Ctrl+T")), 14);
    actFind = makeAction(this, "actFind", QString(), QKeySequence(QStringLiteral("F3")), 20);
    actSpellCheck = makeAction(this, "actSpellCheck", QStringLiteral("&Check Spelling"),
                               QKeySequence(QStringLiteral("Ctrl+L")), 24);
    actHelp = makeAction(this, "actHelp", QStringLiteral("&Help"), QKeySequence(QStringLiteral("F1")), 25);
    actAddFile = makeAction(this, "actAddFile", QStringLiteral("Add F&ile"), QKeySequence(QStringLiteral("Ctrl+I")), 27);
    actDeleteFile = makeAction(this, "actDeleteFile", QString(), QKeySequence(QStringLiteral("Ctrl+R")), 28);
    actViewFile = makeAction(this, "actViewFile", QString(), QKeySequence(QStringLiteral("Ctrl+K")), 30);
    actStartFind = makeAction(this, "actStartFind", QStringLiteral("F&ind"), QKeySequence(QStringLiteral("Ctrl+F")), 32);
    Exit1 = makeAction(this, "Exit1", QStringLiteral("E&xit"), {}, -1);
    mnuOptions = makeAction(this, "mnuOptions", QStringLiteral("Options"), {}, -1);
    CheckforUpdatesNow1 = makeAction(this, "CheckforUpdatesNow1", QStringLiteral("Check for Updates &Now"), {}, -1);
    mnuAbout = makeAction(this, "mnuAbout", QStringLiteral("&About Tamsel..."), {}, -1);
    Sendfeedback1 = makeAction(this, "Sendfeedback1", QStringLiteral("Send &Feedback..."), {}, -1);

    // Actions without a menu item still answer their shortcuts.
    addActions({actFind, actDeleteFile, actViewFile});

    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
}

void TfrmMain::CreateMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(actNewNote);
    file->addAction(actSaveNote);
    QAction *saveTo = file->addAction(QStringLiteral("Save &to File"));
    saveTo->setShortcut(actSaveNotesAs->shortcut());
    saveTo->setShortcutContext(Qt::WidgetShortcut); // the action itself owns the shortcut
    connect(saveTo, &QAction::triggered, actSaveNotesAs, &QAction::trigger);
    connect(actSaveNotesAs, &QAction::enabledChanged, saveTo, &QAction::setEnabled);
    QAction *sendAs = file->addAction(QStringLiteral("Send as E-Mail"));
    sendAs->setShortcut(actSendMail->shortcut());
    sendAs->setShortcutContext(Qt::WidgetShortcut);
    connect(sendAs, &QAction::triggered, actSendMail, &QAction::trigger);
    connect(actSendMail, &QAction::enabledChanged, sendAs, &QAction::setEnabled);
    file->addSeparator();
    file->addAction(actPrint);
    file->addSeparator();
    file->addAction(actDeleteNote);
    file->addSeparator();
    file->addAction(Exit1);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(actEditUndo);
    edit->addSeparator();
    edit->addActions({actEditCut, actEditCopy, actEditPaste});
    edit->addSeparator();
    edit->addAction(actEditSelectAll);
    edit->addSeparator();
    edit->addAction(actAddFile);

    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addActions({actSpellCheck, actFont, actStartFind});
    tools->addSeparator();
    tools->addAction(mnuOptions);
    tools->addSeparator();
    tools->addAction(CheckforUpdatesNow1);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({actHelp, mnuAbout, Sendfeedback1});
}

void TfrmMain::CreateEditorPane()
{
    auto *grid = new QGridLayout(pnlContents);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    lblTitle = new QLabel(QStringLiteral("Title:"), pnlContents);
    edtTitle = new TRichEditURL(TRichEditURL::Lines::Single, pnlContents);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    edtTitle->setToolTip(QStringLiteral("Enter the title ot the note/task (required)."));
    lblTitle->setBuddy(edtTitle);
    radNote = new QRadioButton(QStringLiteral("Note"), pnlContents);
    radNote->setObjectName(QStringLiteral("radNote"));
    radNote->setToolTip(QStringLiteral("Indicates the current entry is a note."));
    radTask = new QRadioButton(QStringLiteral("Task"), pnlContents);
    radTask->setObjectName(QStringLiteral("radTask"));
    radTask->setToolTip(QStringLiteral("Indicates the current entry is a task."));
    radNote->setChecked(true);
    grid->addWidget(lblTitle, 0, 0);
    grid->addWidget(edtTitle, 0, 1);
    grid->addWidget(radNote, 0, 2);
    grid->addWidget(radTask, 0, 3);

    pnlTask = new QWidget(pnlContents);
    pnlTask->setObjectName(QStringLiteral("pnlTask"));
    auto *task = new QHBoxLayout(pnlTask);
    task->setContentsMargins(0, 0, 0, 0);
    dtpDate = new QDateEdit(pnlTask);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    dtpDate->setToolTip(QStringLiteral("The date the task is due."));
    dtpTime = new QTimeEdit(pnlTask);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("h:mm AP"));
    dtpTime->setToolTip(QStringLiteral("The time the task is due."));
    lblReminder = new QLabel(QStringLiteral("Reminder:"), pnlTask);
    cboReminder = new QComboBox(pnlTask);
    cboReminder->setObjectName(QStringLiteral("cboReminder"));
    cboReminder->setMinimumWidth(110);
    lblReminder->setBuddy(cboReminder);
    chkComplete = new QCheckBox(QStringLiteral("Complete"), pnlTask);
    chkComplete->setObjectName(QStringLiteral("chkComplete"));
    task->addWidget(new QLabel(QStringLiteral("Due:"), pnlTask));
    task->addWidget(dtpDate);
    task->addWidget(dtpTime);
    task->addStretch(1);
    task->addWidget(lblReminder);
    task->addWidget(cboReminder);
    task->addWidget(chkComplete);
    grid->addWidget(pnlTask, 1, 1, 1, 3);

    pnlNote = new QWidget(pnlContents);
    pnlNote->setObjectName(QStringLiteral("pnlNote"));
    auto *note = new QVBoxLayout(pnlNote);
    note->setContentsMargins(0, 0, 0, 0);
    note->setSpacing(4);
    redNote = new TRichEditURL(TRichEditURL::Lines::Multi, pnlNote);
    redNote->setObjectName(QStringLiteral("redNote"));
    redNote->setToolTip(QStringLiteral("Enter the body of the note/task (optional)."));
    redNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    note->addWidget(redNote, 1);
    auto *fileRow = new QHBoxLayout;
    redFileName = new TRichEditURL(TRichEditURL::Lines::Single, pnlNote);
    redFileName->setObjectName(QStringLiteral("redFileName"));
    redFileName->setReadOnly(true);
    btnViewFile = new QPushButton(pnlNote);
    btnViewFile->setObjectName(QStringLiteral("btnViewFile"));
    btnViewFile->setIcon(ImageList::icon(30));
    btnRemoveFile = new QPushButton(pnlNote);
    btnRemoveFile->setObjectName(QStringLiteral("btnRemoveFile"));
    btnRemoveFile->setIcon(ImageList::icon(28));
    fileRow->addWidget(redFileName, 1);
    fileRow->addWidget(btnViewFile);
    fileRow->addWidget(btnRemoveFile);
    note->addLayout(fileRow);
    grid->addWidget(pnlNote, 2, 0, 1, 4);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    lblCreationDate = new QLabel(pnlContents);
    lblCreationDate->setObjectName(QStringLiteral("lblCreationDate"));
    lblCreationDate->setVisible(false);

    connect(radNote, &QRadioButton::clicked, this, [this] { radNoteClick(); });
    connect(radTask, &QRadioButton::clicked, this, [this] { radNoteClick(); });
}

void TfrmMain::CreateLists()
{
    lsvNotes = configureList(new QTreeWidget(tabNotes), "lsvNotes",
                             {QStringLiteral("Created"), QStringLiteral("Modified"),
                              QStringLiteral("Title"), QStringLiteral("Note")},
                             {100, 100, 255, 512}, NoteRow::Columns);
    lsvTasks = new TListViewEx(tabTasks);
    configureList(lsvTasks, "lsvTasks",
                  {QStringLiteral("Created"), QStringLiteral("Modified"), QStringLiteral("Due"),
                   QStringLiteral("Done"), QStringLiteral("Task"), QStringLiteral("Instructions"),
                   QStringLiteral("Completed")},
                  {100, 100, 100, 43, 255, 512, 100}, TaskRow::Columns);
    lsvTasks->headerItem()->setTextAlignment(TaskRow::DoneColumn, Qt::AlignCenter);

    for (auto [page, list] : {std::pair<QWidget *, QTreeWidget *>{tabNotes, lsvNotes},
                              std::pair<QWidget *, QTreeWidget *>{tabTasks, lsvTasks}}) {
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(list);
    }

    connect(lsvNotes->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { lsvNotesColumnClick(lsvNotes, column); });
    connect(lsvTasks->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { lsvTasksColumnClick(lsvTasks, column); });
    connect(lsvNotes, &QTreeWidget::itemDoubleClicked, this, [this] { lsvNotesDblClick(lsvNotes); });
    connect(lsvTasks, &QTreeWidget::itemDoubleClicked, this, [this] { lsvNotesDblClick(lsvTasks); });
}
