// The main window's frame: actions, menus, tool bar, the editor pane with its
// layout, the splitter, and the list pane with the two lists and the find bar.
#include "mainwindow/Main.h"

#include "controls/ColumnLimits.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "store/EntryTable.h"
#include "mainwindow/ColumnFit.h"
#include "mainwindow/EditActions.h"
#include "controls/EntryListModel.h"
#include "controls/ImageList.h"

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
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace {
constexpr int noImage = -1;

// Window bounds and pane sizes of the designed form, in pixels.
constexpr QRect designedBounds(547, 89, 815, 654);
constexpr int designedEditorHeight = 196;
constexpr int editorMinimumHeight = 100;
constexpr int editorMinimumWidth = 600;
constexpr int listPaneMinimumHeight = 100;
constexpr int toolBarHeight = 29;
constexpr int toolButtonHeight = 24;
constexpr int splitterHeight = 3;
constexpr int findFieldWidth = 160;

// A hint "Short|Long": the short part is the tool tip, the long one the status
// tip. A hint without a bar is both.
void setHint(QAction *action, const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QAction *makeAction(QObject *owner, const char *name, const QString &caption, const char *shortcut, int image,
                    const QString &hint = {})
{
    auto *action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(name));
    if (shortcut)
        action->setShortcut(QKeySequence(QLatin1String(shortcut)));
    if (image != noImage)
        action->setIcon(ImageList::icon(image));
    if (!hint.isEmpty())
        setHint(action, hint);
    return action;
}

// A menu item that runs an action under a caption of its own. It shows the
// action's shortcut without owning it, and follows the action's state.
void addItemFor(QMenu *menu, QAction *action, const QString &caption)
{
    auto *item = menu->addAction(caption + QLatin1Char('\t')
                                 + action->shortcut().toString(QKeySequence::NativeText));
    const auto follow = [item, action] {
        item->setEnabled(action->isEnabled());
        item->setVisible(action->isVisible());
        item->setIcon(action->icon());
    };
    follow();
    QObject::connect(action, &QAction::changed, item, follow);
    QObject::connect(item, &QAction::triggered, action, &QAction::trigger);
}

// A button that stands for an action: same picture and hint, enabled with it.
void bindButton(QPushButton *button, QAction *action)
{
    const auto follow = [button, action] {
        button->setEnabled(action->isEnabled());
        button->setIcon(action->icon());
        button->setToolTip(action->toolTip());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
}

// A small picture-only button.
QPushButton *glyphButton(const char *name, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFlat(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setIconSize(QSize(16, 16));
    return button;
}

struct TColumn
{
    const char *caption;
    int width;
    int minimum = TColumnLimits::NoLimit;
    int maximum = TColumnLimits::NoLimit;
};

// Report view, whole-row single selection, read-only, sorted only on request.
void configureList(QTreeView *list, const char *name, TEntryListModel *model, const QList<TColumn> &columns)
{
    list->setObjectName(QLatin1String(name));
    list->setModel(model);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    QHeaderView *header = list->header();
    header->setSortIndicatorShown(false);
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    for (int i = 0; i < columns.size(); ++i)
        list->setColumnWidth(i, columns.at(i).width);
}

void setColumnLimits(const QList<TColumn> &columns, const std::function<void(int, int, int)> &setLimits)
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).minimum != TColumnLimits::NoLimit || columns.at(i).maximum != TColumnLimits::NoLimit)
            setLimits(i, columns.at(i).minimum, columns.at(i).maximum);
    }
}
} // namespace

void TfrmMain::CreateFrame()
{
    setWindowTitle(QStringLiteral("Tamsel"));
    setObjectName(QStringLiteral("frmMain"));
    setGeometry(designedBounds);
    // Verdana where it is installed; the font system substitutes its nearest
    // relative (DejaVu Sans on Debian) elsewhere.
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    // The window has no menu of its own for hiding the tool bar.
    setContextMenuPolicy(Qt::NoContextMenu);

    CreateActions();
    CreateTrayMenu();
    CreateMenus();
    CreateToolBar();

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(splitterHeight);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setOpaqueResize(true);

    pnlContents = new QFrame(Splitter1);
    pnlContents->setObjectName(QStringLiteral("pnlContents"));
    // A sunken outer and a raised inner bevel: an etched frame.
    pnlContents->setFrameStyle(QFrame::Box | QFrame::Sunken);
    pnlContents->setMinimumSize(editorMinimumWidth, editorMinimumHeight);
    CreateEditorPane();

    pnlNoteList = new QWidget(Splitter1);
    pnlNoteList->setObjectName(QStringLiteral("pnlNoteList"));
    pnlNoteList->setMinimumHeight(listPaneMinimumHeight);
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
    // Alt+T opens the Tools menu; the tab and the find bar's scope use other letters.
    pgcData->addTab(tabTasks, QStringLiteral("Ta&sks"));
    listLayout->addWidget(pgcData, 1);
    CreateLists();
    CreateFindBar();
    listLayout->addWidget(barStatus);

    Splitter1->addWidget(pnlContents);
    Splitter1->addWidget(pnlNoteList);
    // The editor pane keeps its height when the window is resized; the lists
    // take what is left.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({designedEditorHeight, designedBounds.height()});
    setCentralWidget(Splitter1);

    auto *editActions = new TEditActions({actEditUndo, actEditCut, actEditCopy, actEditPaste, actEditSelectAll}, this);
    editActions->setUndoWithoutField([this] { return Entries->CanUndoDelete(); }, [this] { actUndoDeleteExecute(); });
    connect(Entries, &TEntryTable::undoDeleteChanged, editActions, &TEditActions::updateActions);
    SetTabOrder();
    connect(pgcData, &QTabWidget::currentChanged, this, [this] { pgcDataChange(); });
}

void TfrmMain::SetTabOrder()
{
    // Tab goes from the title to the body, then on through the rest of the
    // editor as it reads: the kind, a task's fields, the attached file. The
    // list pane follows as built: the tabs, the list in view, the find bar.
    // Hidden and disabled controls are passed over.
    QWidget *const order[] = {edtTitle, redNote,     radNote,     radTask,     dtpDate,      dtpTime,
                              cboReminder, chkComplete, redFileName, btnViewFile, btnRemoveFile};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Each group of radio buttons is one stop, at its checked button, also
    // when the program checks it; the arrow keys move within the group.
    for (const QList<QRadioButton *> &group : {QList<QRadioButton *>{radNote, radTask},
                                               QList<QRadioButton *>{radAllNotes, radCurrentTab, radCurrentNote}}) {
        const auto stopAtChecked = [group] {
            for (QRadioButton *button : group)
                button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        };
        for (QRadioButton *button : group)
            connect(button, &QRadioButton::toggled, button, stopAtChecked);
        stopAtChecked();
    }
}

void TfrmMain::CreateActions()
{
    actNewNote = makeAction(this, "actNewNote", QStringLiteral("&New"), "Ctrl+N", 0, QStringLiteral("Add new entry."));
    actSaveNote = makeAction(this, "actSaveNote", QStringLiteral("&Save"), "Ctrl+S", 1,
                             QStringLiteral("Save changes to current entry."));
    actDeleteNote = makeAction(this, "actDeleteNote", QStringLiteral("&Delete"), "Del", 3,
                               QStringLiteral("Delete current entry."));
    // The Delete key deletes the entry only where the lists have the focus
    // (CreateLists adds the action to them); the text fields keep it for
    // deleting characters.
    actDeleteNote->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    actPrint = makeAction(this, "actPrint", QStringLiteral("&Print"), "Ctrl+P", 5,
                          QStringLiteral("Print the selected entries."));
    actEditUndo = makeAction(this, "actEditUndo", QStringLiteral("&Undo"), "Ctrl+Z", 7,
                             QStringLiteral("Undo|Reverts the last action"));
    actEditCopy = makeAction(this, "actEditCopy", QStringLiteral("&Copy"), "Ctrl+C", 8,
                             QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"));
    actEditCut = makeAction(this, "actEditCut", QStringLiteral("Cu&t"), "Ctrl+X", 9,
                            QStringLiteral("Cut|Cuts the selection and puts it on the Clipboard"));
    actEditPaste = makeAction(this, "actEditPaste", QStringLiteral("&Paste"), "Ctrl+V", 10,
                              QStringLiteral("Paste|Inserts Clipboard contents"));
    actEditSelectAll = makeAction(this, "actEditSelectAll", QStringLiteral("Select &All"), "Ctrl+A", noImage,
                                  QStringLiteral("Select All|Selects the entire document"));
    actFont = makeAction(this, "actFont", QStringLiteral("&Font..."), "Ctrl+O", 11, QStringLiteral("Manage the font."));
    actSendMail = makeAction(this, "actSendMail", QStringLiteral("Send Note as E-&Mail"), "Ctrl+M", 12,
                             QStringLiteral("Send selected entry as e-mail."));
    actSaveNotesAs = makeAction(this, "actSaveNotesAs", QStringLiteral("Save Note(s) &to File"), "Ctrl+T", 14,
                                QStringLiteral("Save selected entries to File."));
    actFind = makeAction(this, "actFind", QString(), "F3", 20, QStringLiteral("Search entries."));
    actSpellCheck = makeAction(this, "actSpellCheck", QStringLiteral("&Check Spelling"), "Ctrl+L", 24,
                               QStringLiteral("Check the spelling of the current entry."));
    actHelp = makeAction(this, "actHelp", QStringLiteral("&Help"), "F1", 25);
    actAddFile = makeAction(this, "actAddFile", QStringLiteral("Add F&ile"), "Ctrl+I", 27,
                            QStringLiteral("Add a file to the current entry."));
    actDeleteFile = makeAction(this, "actDeleteFile", QString(), "Ctrl+R", 28, QStringLiteral("Remove file."));
    actViewFile = makeAction(this, "actViewFile", QString(), "Ctrl+K", 30, QStringLiteral("View the file."));
    actStartFind = makeAction(this, "actStartFind", QStringLiteral("F&ind"), "Ctrl+F", 32);
    Exit1 = makeAction(this, "Exit1", QStringLiteral("E&xit"), nullptr, noImage);
    mnuOptions = makeAction(this, "mnuOptions", QStringLiteral("&Options"), nullptr, noImage);
    mnuRestoreBackup = makeAction(this, "mnuRestoreBackup", QStringLiteral("&Restore from Backup..."), nullptr,
                                  noImage, QStringLiteral("Replace your entries with those of a backup."));
    CheckforUpdatesNow1 = makeAction(this, "CheckforUpdatesNow1", QStringLiteral("Check for Updates &Now"), nullptr,
                                     noImage);
    mnuAbout = makeAction(this, "mnuAbout", QStringLiteral("&About Tamsel..."), nullptr, noImage);
    Sendfeedback1 = makeAction(this, "Sendfeedback1", QStringLiteral("Send &Feedback..."), nullptr, noImage);

    // Actions that are on no menu and no tool bar answer their shortcuts
    // through the window.
    addActions({actFind, actDeleteFile, actViewFile});

    mnuSetPassPhrase = makeAction(this, "mnuSetPassPhrase", QStringLiteral("Set Pass&word..."), nullptr, noImage);
    mnuSetPassPhrase->setEnabled(false);
    connect(mnuSetPassPhrase, &QAction::triggered, this, [this] { mnuSetPassPhraseClick(); });
    mnuChangePassPhrase = makeAction(this, "mnuChangePassPhrase", QStringLiteral("C&hange Passphrase..."), nullptr,
                                     noImage, QStringLiteral("Encrypt your entries with a new passphrase."));
    mnuChangePassPhrase->setEnabled(false);
    connect(mnuChangePassPhrase, &QAction::triggered, this, [this] { mnuChangePassPhraseClick(); });
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(mnuOptions, &QAction::triggered, this, [this] { mnuOptionsClick(); });
    connect(mnuRestoreBackup, &QAction::triggered, this, [this] { mnuRestoreBackupClick(); });
}

void TfrmMain::CreateMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({actNewNote, actSaveNote});
    addItemFor(file, actSaveNotesAs, QStringLiteral("Save &to File"));
    addItemFor(file, actSendMail, QStringLiteral("Send as E-Mail"));
    file->addSeparator();
    file->addActions({mnuAddNote, mnuAddTask});
    file->addSeparator();
    file->addAction(actPrint);
    file->addSeparator();
    file->addAction(actDeleteNote);
    file->addSeparator();
    file->addAction(mnuSetPassPhrase);
    file->addAction(mnuChangePassPhrase);
    file->addAction(mnuRestoreBackup);
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

void TfrmMain::CreateToolBar()
{
    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setFixedHeight(toolBarHeight);
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
    for (QAction *action : ToolBar1->actions()) {
        if (auto *button = qobject_cast<QToolButton *>(ToolBar1->widgetForAction(action))) {
            button->setAutoRaise(true);
            button->setFixedHeight(toolButtonHeight);
        }
    }
    addToolBar(Qt::TopToolBarArea, ToolBar1);
}

void TfrmMain::CreateEditorPane()
{
    auto *grid = new QGridLayout(pnlContents);
    grid->setContentsMargins(4, 3, 4, 3);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    lblTitle = new QLabel(QStringLiteral("Title:"), pnlContents);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
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

    // The task panel spans the pane like the body below it, so its left edge
    // and width are the body's.
    pnlTask = new QWidget(pnlContents);
    pnlTask->setObjectName(QStringLiteral("pnlTask"));
    auto *task = new QHBoxLayout(pnlTask);
    task->setContentsMargins(0, 0, 0, 0);
    task->setSpacing(6);
    dtpDate = new QDateEdit(pnlTask);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    dtpDate->setToolTip(QStringLiteral("The date the task is due."));
    dtpTime = new QTimeEdit(pnlTask);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("h:mm AP"));
    dtpTime->setToolTip(QStringLiteral("The time the task is due."));
    lblReminder = new QLabel(QStringLiteral("Reminder:"), pnlTask);
    lblReminder->setObjectName(QStringLiteral("lblReminder"));
    cboReminder = new QComboBox(pnlTask);
    cboReminder->setObjectName(QStringLiteral("cboReminder"));
    cboReminder->setToolTip(
        QStringLiteral("Select how much time before the deadline you'd like to be reminded of this task."));
    cboReminder->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblReminder->setBuddy(cboReminder);
    chkComplete = new QCheckBox(QStringLiteral("Complete"), pnlTask);
    chkComplete->setObjectName(QStringLiteral("chkComplete"));
    task->addWidget(dtpDate);
    task->addWidget(dtpTime);
    task->addStretch(1);
    task->addWidget(lblReminder);
    task->addWidget(cboReminder);
    task->addWidget(chkComplete);
    grid->addWidget(pnlTask, 1, 0, 1, 4);

    pnlNote = new QWidget(pnlContents);
    pnlNote->setObjectName(QStringLiteral("pnlNote"));
    auto *note = new QVBoxLayout(pnlNote);
    note->setContentsMargins(0, 0, 0, 0);
    note->setSpacing(2);
    redNote = new TRichEditURL(TRichEditURL::Lines::Multi, pnlNote);
    redNote->setObjectName(QStringLiteral("redNote"));
    redNote->setToolTip(QStringLiteral("Enter the body of the note/task (optional)."));
    redNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The pane may be dragged down to its smallest height; the body gives way
    // first, down to about a line.
    redNote->setMinimumHeight(redNote->fontMetrics().lineSpacing());
    note->addWidget(redNote, 1);
    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    redFileName = new TRichEditURL(TRichEditURL::Lines::Single, pnlNote);
    redFileName->setObjectName(QStringLiteral("redFileName"));
    redFileName->setReadOnly(true);
    btnViewFile = glyphButton("btnViewFile", pnlNote);
    bindButton(btnViewFile, actViewFile);
    btnRemoveFile = glyphButton("btnRemoveFile", pnlNote);
    bindButton(btnRemoveFile, actDeleteFile);
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

    ResetFormLayout();
}

void TfrmMain::CreateLists()
{
    const QList<TColumn> noteColumns{
        {"Created", 100, 50}, {"Modified", 100}, {"Title", 255, 75}, {"Note", 512, 100}};
    const QList<TColumn> taskColumns{{"Created", 100, 50}, {"Modified", 100, 50}, {"Due", 100, 50},
                                     {"Done", 43, 40, 50}, {"Task", 255, 75},     {"Instructions", 512, 100},
                                     {"Completed", 100, 50}};

    Entries = new TEntryTable(xmlNotes, this);
    Entries->setWriter([this] { return StartSaving(); });
    Entries->setReload([this] { return ReadStoreAgainIfChanged(); });
    StoreWriter = new TStoreWriter(xmlNotes, Entries->Gate(), this);
    connect(StoreWriter, &TStoreWriter::finished, this, &TfrmMain::SaveFinished);
    connect(Entries, &TEntryTable::reloaded, this, &TfrmMain::ShowReloadedEntries);
    NotesModel = new TEntryListModel(*Entries, false, this);
    TasksModel = new TEntryListModel(*Entries, true, this);

    lsvNotes = new QTreeView(tabNotes);
    configureList(lsvNotes, "lsvNotes", NotesModel, noteColumns);
    auto *noteLimits = new TColumnLimits(lsvNotes->header());
    setColumnLimits(noteColumns, [noteLimits](int column, int minimum, int maximum) {
        noteLimits->setLimits(column, minimum, maximum);
    });

    lsvTasks = new TListViewEx(tabTasks);
    configureList(lsvTasks, "lsvTasks", TasksModel, taskColumns);
    setColumnLimits(taskColumns, [this](int column, int minimum, int maximum) {
        lsvTasks->setColumnWidthLimits(column, minimum, maximum);
    });

    // The designed columns are wider than the designed window: the long text
    // columns give way where the list is narrower.
    const auto flexible = [](const QList<TColumn> &columns, std::initializer_list<int> order) {
        QList<TFlexibleColumn> result;
        for (const int column : order)
            result.append({column, columns.at(column).width, columns.at(column).minimum});
        return result;
    };
    FitFlexibleColumns(lsvNotes, flexible(noteColumns, {NoteColumn::Note, NoteColumn::Title}));
    FitFlexibleColumns(lsvTasks, flexible(taskColumns, {TaskColumn::Instructions, TaskColumn::Task}));

    for (auto [page, list] : {std::pair<QWidget *, QTreeView *>{tabNotes, lsvNotes},
                              std::pair<QWidget *, QTreeView *>{tabTasks, lsvTasks}}) {
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(list);
    }

    lsvNotes->addAction(actDeleteNote);
    lsvTasks->addAction(actDeleteNote);

    connect(lsvNotes->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { lsvNotesColumnClick(lsvNotes, column); });
    connect(lsvTasks->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { lsvTasksColumnClick(lsvTasks, column); });
    connect(lsvNotes, &QTreeView::doubleClicked, this, [this] { lsvNotesDblClick(lsvNotes); });
    connect(lsvTasks, &QTreeView::doubleClicked, this, [this] { lsvNotesDblClick(lsvTasks); });
}

void TfrmMain::CreateFindBar()
{
    barStatus = new QStatusBar(pnlNoteList);
    barStatus->setObjectName(QStringLiteral("barStatus"));
    barStatus->setSizeGripEnabled(false);

    // The status bar sets its widgets 3 pixels below its top edge; the search
    // box and its button are aligned to that edge, so both keep that place
    // whatever the window's size or font.
    auto *findBar = new QWidget(barStatus);
    findBar->setObjectName(QStringLiteral("findBar"));
    auto *row = new QHBoxLayout(findBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto *findLabel = new QLabel(QStringLiteral("   Find:"), findBar);
    findLabel->setObjectName(QStringLiteral("lblFind"));
    edtFind = new QLineEdit(findBar);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    edtFind->setFixedWidth(findFieldWidth);
    findLabel->setBuddy(edtFind);
    btnFind = glyphButton("btnFind", findBar);
    btnFind->setIcon(ImageList::icon(20));
    btnFind->setToolTip(actFind->toolTip());
    btnFind->setFixedHeight(edtFind->sizeHint().height());
    // Only the button waits for a search text; F3 and Enter always search.
    btnFind->setEnabled(false);
    connect(btnFind, &QPushButton::clicked, actFind, &QAction::trigger);
    radAllNotes = new QRadioButton(QStringLiteral("&All Entries"), findBar);
    radAllNotes->setObjectName(QStringLiteral("radAllNotes"));
    radAllNotes->setChecked(true);
    radCurrentTab = new QRadioButton(QStringLiteral("Current Ta&b"), findBar);
    radCurrentTab->setObjectName(QStringLiteral("radCurrentTab"));
    radCurrentNote = new QRadioButton(QStringLiteral("&Current Entry"), findBar);
    radCurrentNote->setObjectName(QStringLiteral("radCurrentNote"));
    row->addWidget(findLabel);
    row->addWidget(edtFind, 0, Qt::AlignTop);
    row->addWidget(btnFind, 0, Qt::AlignTop);
    row->addSpacing(8);
    row->addWidget(radAllNotes);
    row->addWidget(radCurrentTab);
    row->addWidget(radCurrentNote);
    row->addStretch(1);
    barStatus->addWidget(findBar, 1);
}

void TfrmMain::ResetFormLayout()
{
    // For a note the body panel takes the task panel's place below the title;
    // for a task the task panel shows between them. The hidden, disabled task
    // panel is out of the tab order.
    const bool note = radNote->isChecked();
    pnlTask->setVisible(!note);
    pnlTask->setEnabled(!note);
    // The file buttons are as high as the file field in the entry font.
    const int fileRowHeight = redFileName->sizeHint().height();
    btnViewFile->setFixedSize(fileRowHeight + 2, fileRowHeight);
    btnRemoveFile->setFixedSize(fileRowHeight + 2, fileRowHeight);
    pnlContents->layout()->activate();
}
