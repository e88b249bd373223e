#include "reminders/Reminder.h"

#include "controls/ColumnLimits.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/MessageDlg.h"
#include "platform/DesktopNotifications.h"
#include "controls/EntryRowDelegate.h"
#include "controls/ImageList.h"
#include "reminders/LeadTimes.h"
#include "reminders/ReminderHost.h"
#include "reminders/ReminderListModel.h"
#include "reminders/ReminderSound.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSizeGrip>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

namespace {
const QString unitReminder = QStringLiteral("Reminder");

void report(const char *method, const QString &message)
{
    ReportError({ unitReminder, QLatin1String(method), message });
}

// The sort sign of the reminder lists, shared by every reminder window of the
// run: each column click, the one every window makes when it is created
// included, reverses it.
int sortDirection = 1;

QList<ReminderWindowSeam::THandler> &queuedHandlers()
{
    static QList<ReminderWindowSeam::THandler> handlers;
    return handlers;
}

ReminderWindowSeam::THandler &unansweredHandler()
{
    static ReminderWindowSeam::THandler handler;
    return handler;
}

// A label shows one line: the text's line breaks become blanks.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// The instructions wrapped at 80 columns after a blank, hyphen or tab, each
// line break followed by two tabs so that continuation lines line up.
QString wrappedInstructions(const QString &text)
{
    constexpr int columns = 80;
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines;
    for (QString line : plain.split(QLatin1Char('\n'))) {
        while (line.size() > columns) {
            int cut = columns;
            while (cut > 0 && !QStringView(u" -\t").contains(line.at(cut - 1)))
                --cut;
            if (cut == 0)
                break; // a word longer than a line stays whole
            lines.append(line.left(cut));
            line.remove(0, cut);
        }
        lines.append(line);
    }
    return lines.join(QLatin1String("\r\n\t\t"));
}

// A notification centre that refuses notifications is logged once a run:
// every reminder would log it again. The refusal may come after the window
// that asked has gone, so the log listens for the whole run.
class TRefusedNotifications : public QObject {
public:
    static TRefusedNotifications &log()
    {
        static TRefusedNotifications refusals;
        return refusals;
    }
    void listenTo(TDesktopNotifications &centre)
    {
        connect(&centre, &TDesktopNotifications::failed, this, &TRefusedNotifications::logOnce,
            Qt::UniqueConnection);
    }

private:
    void logOnce(const QString &message)
    {
        if (!std::exchange(m_logged, true))
            LogError({ unitReminder, QStringLiteral("Announce"), message });
    }
    bool m_logged = false;
};

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    // Titles and instructions are the user's text, never markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

QString ShortenText(const QString &text, int n)
{
    const int kept = 2 * (n / 2) - 2;
    return (kept > 0 ? text.left(kept) : QString()) + QStringLiteral("...");
}

QString FitLabelText(const QString &text, int labelWidth)
{
    const int n = (labelWidth - 8) / 6;
    return text.size() > n ? ShortenText(text, n) : text;
}

TReminderNoticeText ReminderNoticeText(const std::vector<TEntry *> &tasks)
{
    // Past these the service would cut the body short anyway.
    constexpr size_t listed = 5;
    const auto deadlineOf = [](const TEntry *task) { return DayNumber::displayText(task->deadline.value_or(0)); };
    if (tasks.size() == 1)
        return { oneLine(tasks.front()->title()), QStringLiteral("Due: ") + deadlineOf(tasks.front()) };
    QStringList lines;
    for (size_t i = 0; i < tasks.size() && i < listed; ++i)
        lines.append(QStringLiteral("%1 (due %2)").arg(oneLine(tasks[i]->title()), deadlineOf(tasks[i])));
    if (tasks.size() > listed)
        lines.append(QStringLiteral("and %1 more").arg(tasks.size() - listed));
    return { QStringLiteral("%1 tasks are nearing their deadlines").arg(tasks.size()),
        lines.join(QLatin1Char('\n')) };
}

QRect ReminderGeometry::atOpen(const TStored &stored, const QRect &firstMonitor, int desktopHeight)
{
    const int height = stored.height.value_or(DesignedHeight);
    const int width = stored.width.value_or(DesignedWidth);
    const int left = stored.left.value_or(firstMonitor.left() + firstMonitor.width() - width);
    const int top = stored.top.value_or(desktopHeight - height - 35);
    // Checked in 64 bits: the settings may hold any integer, and a rectangle
    // reaching past INT_MAX cannot be built.
    const bool onMonitor = width > 0 && height > 0 && left >= firstMonitor.left() && top >= firstMonitor.top()
        && qint64(left) + width - 1 <= firstMonitor.right() && qint64(top) + height - 1 <= firstMonitor.bottom();
    if (onMonitor)
        return QRect(left, top, width, height);
    return atOpen({}, firstMonitor, desktopHeight);
}

QRect ReminderGeometry::toStore(const QRect &window, const QRect &firstMonitor, int desktopHeight)
{
    if (firstMonitor.contains(window))
        return window;
    return QRect(firstMonitor.left() + firstMonitor.width() - DesignedWidth, desktopHeight - 370, DesignedWidth, 335);
}

void ReminderWindowSeam::setNextHandlers(const QList<THandler> &handlers) { queuedHandlers() = handlers; }

ReminderWindowSeam::THandler ReminderWindowSeam::setUnansweredHandler(THandler handler)
{
    return std::exchange(unansweredHandler(), std::move(handler));
}

TfrmReminder::TfrmReminder(TReminderHost &host)
    : m_host(host)
{
    QWidget &main = host.ReminderOwner();
    // Over a main window that is hidden in the tray or minimized, the window
    // stands on its own and on top, so it is never lost behind other windows.
    const bool mainShown = main.isVisible() && !main.isMinimized();
    setParent(mainShown ? &main : nullptr,
        Qt::Dialog | Qt::FramelessWindowHint | (mainShown ? Qt::WindowFlags() : Qt::WindowStaysOnTopHint));
    setObjectName(QStringLiteral("frmReminder"));
    setWindowTitle(QStringLiteral("tamsel Task Reminder"));
    setMinimumSize(426, 225);
    setFont(QFont(QStringLiteral("Verdana"), 8));

    pnlReminder = new QFrame(this);
    pnlReminder->setObjectName(QStringLiteral("pnlReminder"));
    pnlReminder->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pnlReminder);
    auto *panel = new QVBoxLayout(pnlReminder);
    panel->setContentsMargins(8, 6, 8, 4);

    lblHeader = new QLabel(QStringLiteral("The following tasks are nearing their deadlines."), pnlReminder);
    panel->addWidget(lblHeader);

    grpTaskInfo = new QGroupBox(pnlReminder);
    auto *details = new QGridLayout(grpTaskInfo);
    details->addWidget(new QLabel(QStringLiteral("Task:"), grpTaskInfo), 0, 0);
    lblTaskDesc = plainLabel(QString(), grpTaskInfo);
    lblTaskDesc->setObjectName(QStringLiteral("lblTaskDesc"));
    details->addWidget(lblTaskDesc, 0, 1, 1, 4);
    lblInstructions = plainLabel(QString(), grpTaskInfo);
    lblInstructions->setObjectName(QStringLiteral("lblInstructions"));
    details->addWidget(lblInstructions, 1, 0, 1, 4);
    btnShowHint = new QPushButton(QStringLiteral("..."), grpTaskInfo);
    btnShowHint->setObjectName(QStringLiteral("btnShowHint"));
    btnShowHint->setToolTip(QStringLiteral("Show the whole task"));
    btnShowHint->setFixedWidth(btnShowHint->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    details->addWidget(btnShowHint, 1, 4);
    // The labels take the width the group gives them; their texts are fitted to it.
    for (QLabel *label : { lblTaskDesc, lblInstructions })
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *deadlineLabel = new QLabel(QStringLiteral("&Deadline:"), grpTaskInfo);
    auto *leadLabel = new QLabel(QStringLiteral("&Remind me in:"), grpTaskInfo);
    details->addWidget(deadlineLabel, 2, 0, 1, 2);
    details->addWidget(leadLabel, 2, 3, 1, 2);
    dtpDate = new QDateEdit(grpTaskInfo);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    dtpTime = new QTimeEdit(grpTaskInfo);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("h:mm AP"));
    cboReminder = new QComboBox(grpTaskInfo);
    cboReminder->setObjectName(QStringLiteral("cboReminder"));
    cboReminder->setToolTip(
        QStringLiteral("Select how much time before the deadline you'd like to be reminded of this task."));
    deadlineLabel->setBuddy(dtpDate);
    leadLabel->setBuddy(cboReminder);
    details->addWidget(dtpDate, 3, 0, 1, 2);
    details->addWidget(dtpTime, 3, 2);
    details->addWidget(cboReminder, 3, 3, 1, 2);
    details->setColumnStretch(1, 1);
    details->setColumnStretch(3, 1);
    panel->addWidget(grpTaskInfo);

    lsvTasks = new QTreeView(pnlReminder);
    lsvTasks->setObjectName(QStringLiteral("lsvTasks"));
    Rows = new TReminderListModel(host.ReminderEntries(), this);
    Rows->setRowFont(lsvTasks->font());
    lsvTasks->setModel(Rows);
    lsvTasks->setRootIsDecorated(false);
    lsvTasks->setUniformRowHeights(true);
    lsvTasks->setAllColumnsShowFocus(true);
    lsvTasks->setSelectionBehavior(QAbstractItemView::SelectRows);
    lsvTasks->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvTasks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TEntryRowDelegate::Install(lsvTasks, ReminderColumn::Done);
    QHeaderView *header = lsvTasks->header();
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    auto *limits = new TColumnLimits(header);
    const struct {
        int column, width, minimum, maximum;
    } columns[] = { { ReminderColumn::Task, 250, 100, TColumnLimits::NoLimit },
        { ReminderColumn::Due, 150, 100, TColumnLimits::NoLimit }, { ReminderColumn::Done, 40, 40, 60 },
        { ReminderColumn::Instructions, 255, 75, TColumnLimits::NoLimit } };
    for (const auto &column : columns) {
        limits->setLimits(column.column, column.minimum, column.maximum);
        lsvTasks->setColumnWidth(column.column, column.width);
    }
    panel->addWidget(lsvTasks, 1);

    btnSave = new QPushButton(QStringLiteral("&Save"), pnlReminder);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), pnlReminder);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    // Without a frame of its own the window is sized by this grip and moved
    // by dragging its panel.
    buttons->addWidget(new QSizeGrip(pnlReminder), 0, Qt::AlignBottom | Qt::AlignRight);
    panel->addLayout(buttons);
    pnlReminder->installEventFilter(this);
    lblHeader->installEventFilter(this);
    lsvTasks->installEventFilter(this);
    lsvTasks->setFocus();

    m_host.FillReminderComboBox(cboReminder);

    connect(header, &QHeaderView::sectionClicked, this, &TfrmReminder::lsvTasksColumnClick);
    connect(lsvTasks->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &TfrmReminder::lsvTasksSelectItem);
    // Rows sorted, or found again in entries read anew: the details show the
    // row that is selected now.
    connect(Rows, &QAbstractItemModel::layoutChanged, this, &TfrmReminder::lsvTasksSelectItem);
    connect(cboReminder, &QComboBox::currentIndexChanged, this, &TfrmReminder::cboReminderChange);
    connect(dtpDate, &QDateEdit::dateChanged, this, &TfrmReminder::dtpDateChange);
    connect(dtpTime, &QTimeEdit::timeChanged, this, &TfrmReminder::dtpDateChange);
    connect(btnShowHint, &QPushButton::clicked, this, &TfrmReminder::btnShowHintClick);
    connect(btnSave, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
    lsvTasksSelectItem();
}

TfrmReminder::~TfrmReminder()
{
    if (m_centre)
        m_centre->withdraw();
    FormDestroy();
}

void TfrmReminder::FormCreate()
{
    m_creating = true;
    try {
        ReminderGeometry::TStored stored;
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        const auto read = [&registry](const char *name) -> std::optional<int> {
            const QString value = QLatin1String(name);
            return registry.ValueExists(value) ? std::optional<int>(registry.ReadInteger(value)) : std::nullopt;
        };
        stored.height = read("ReminderHeight");
        stored.top = read("ReminderTop");
        stored.width = read("ReminderWidth");
        stored.left = read("ReminderLeft");
        registry.CloseKey();
        const QScreen *first = QGuiApplication::primaryScreen();
        setGeometry(ReminderGeometry::atOpen(stored, first->geometry(), first->virtualGeometry().height()));
    } catch (const ETamselError &error) {
        report("FormCreate", error.message());
    }
    // The rows, added afterwards, keep the order of the main task list until
    // the user sorts them.
    lsvTasksColumnClick(ReminderColumn::Task);
    m_creating = false;
}

void TfrmReminder::FormDestroy()
{
    try {
        const QScreen *first = QGuiApplication::primaryScreen();
        const QRect place = ReminderGeometry::toStore(frameGeometry(), first->geometry(), first->virtualGeometry().height());
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        registry.WriteInteger(QStringLiteral("ReminderHeight"), place.height());
        registry.WriteInteger(QStringLiteral("ReminderTop"), place.top());
        registry.WriteInteger(QStringLiteral("ReminderWidth"), place.width());
        registry.WriteInteger(QStringLiteral("ReminderLeft"), place.left());
        registry.CloseKey();
    } catch (const ETamselError &error) {
        report("FormDestroy", error.message());
    }
    m_host.ResetTimerState();
}

void TfrmReminder::AddTask(TEntry *task) { Rows->addTask(task); }

void TfrmReminder::Announce(const std::vector<TEntry *> &tasks)
{
    if (tasks.empty())
        return;
    TDesktopNotifications &centre = TDesktopNotifications::current();
    if (m_centre != &centre) {
        if (m_centre)
            disconnect(m_centre, nullptr, this, nullptr);
        m_centre = &centre;
        connect(&centre, &TDesktopNotifications::clicked, this, &TfrmReminder::BringUp);
        TRefusedNotifications::log().listenTo(centre);
    }
    const TReminderNoticeText text = ReminderNoticeText(tasks);
    centre.show(text.summary, text.body);
}

void TfrmReminder::BringUp()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

int TfrmReminder::ShowModal()
{
    ReminderWindowSeam::THandler handler;
    if (!queuedHandlers().isEmpty())
        handler = queuedHandlers().takeFirst();
    else
        handler = unansweredHandler();
    if (!handler)
        return exec();
    setResult(QDialog::Rejected);
    show();
    handler(*this);
    if (isVisible())
        reject();
    return result();
}

bool TfrmReminder::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (!m_shown) {
            m_shown = true;
            fitTaskColumn();
        }
        // Once the window is on the screen, so the request is not lost.
        QTimer::singleShot(0, this, [this] {
            raise();
            activateWindow();
        });
        break;
    case QEvent::WindowActivate:
        FormActivate();
        break;
    default:
        break;
    }
    return QDialog::event(event);
}

bool TfrmReminder::eventFilter(QObject *watched, QEvent *event)
{
    // Space ticks the selected task as done, or not, from the keyboard.
    if (watched == lsvTasks && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        if (const TReminderRow *row = Rows->rowAt(selectedRow()))
            Rows->setDone(selectedRow(), !row->done);
        return true;
    }
    if (watched != lsvTasks && event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && windowHandle()) {
        windowHandle()->startSystemMove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmReminder::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    pnlReminderResize();
}

void TfrmReminder::fitTaskColumn()
{
    // The "Task" column gives up width, down to its smallest, so that the
    // completion boxes are in view without scrolling sideways.
    layout()->activate();
    const int room = lsvTasks->viewport()->width() - lsvTasks->columnWidth(ReminderColumn::Due)
        - lsvTasks->columnWidth(ReminderColumn::Done);
    if (room < lsvTasks->columnWidth(ReminderColumn::Task))
        lsvTasks->setColumnWidth(ReminderColumn::Task, qMax(room, 100));
}

void TfrmReminder::FormActivate()
{
    if (Rows->rowCount() > 0) {
        const QModelIndex top = lsvTasks->indexAt(QPoint(1, 1));
        lsvTasks->setCurrentIndex(Rows->index(top.isValid() ? top.row() : 0, 0));
    }
    raise();
    update();
    // After the activation has been handled; a second activation while the
    // sound still plays does not start it again.
    QTimer::singleShot(0, this, [this] {
        if (m_playing)
            return;
        m_playing = true;
        PlayReminderSound(m_host.ReminderSoundSettings());
        m_playing = false;
    });
}

int TfrmReminder::selectedRow() const
{
    const QModelIndexList selected = lsvTasks->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TfrmReminder::lsvTasksSelectItem()
{
    try {
        const TReminderRow *row = Rows->rowAt(selectedRow());
        const QSignalBlocker quietDate(dtpDate);
        const QSignalBlocker quietTime(dtpTime);
        const QSignalBlocker quietReminder(cboReminder);
        for (QWidget *field : std::initializer_list<QWidget *> { dtpDate, dtpTime, cboReminder, btnShowHint })
            field->setEnabled(row != nullptr);
        if (!row) {
            for (QLabel *label : { lblTaskDesc, lblInstructions }) {
                label->clear();
                label->setToolTip(QString());
            }
            cboReminder->setCurrentIndex(-1);
            return;
        }
        const QDateTime deadline = DayNumber::toDateTime(row->deadline);
        dtpDate->setDate(deadline.date());
        dtpTime->setTime(deadline.time());
        cboReminder->setCurrentIndex(row->shortRow);
        pnlReminderResize();
    } catch (const ETamselError &error) {
        report("lsvTasksSelectItem", error.message());
    }
}

void TfrmReminder::pnlReminderResize()
{
    const TReminderRow *row = Rows ? Rows->rowAt(selectedRow()) : nullptr;
    if (m_creating || !row)
        return;
    const QString title = oneLine(row->entry->title());
    const QString instructions = oneLine(row->entry->body());
    lblTaskDesc->setText(FitLabelText(title, lblTaskDesc->width()));
    lblTaskDesc->setToolTip(title);
    lblInstructions->setText(FitLabelText(instructions, lblInstructions->width()));
    lblInstructions->setToolTip(instructions);
}

void TfrmReminder::lsvTasksColumnClick(int column)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        sortDirection = -sortDirection;
        Rows->sortRows(column, sortDirection);
        Rows->setSortImage(column, sortDirection < 0 ? ImageList::SortDescending : ImageList::SortAscending);
        if (const int row = selectedRow(); row >= 0)
            lsvTasks->scrollTo(Rows->index(row, 0));
    } catch (const ETamselError &error) {
        LogError({ unitReminder, QStringLiteral("lsvTasksColumnClick"), error.message() });
    }
    QApplication::restoreOverrideCursor();
}

void TfrmReminder::cboReminderChange(int shortRow)
{
    const int row = selectedRow();
    if (row >= 0 && shortRow >= 0)
        Rows->setShortRow(row, shortRow);
}

void TfrmReminder::dtpDateChange()
{
    try {
        const int row = selectedRow();
        if (row < 0)
            return;
        const double deadline = DayNumber::fromDateTime(QDateTime(dtpDate->date(), dtpTime->time()));
        if (std::isnan(deadline))
            throw ETamselError(QStringLiteral("The deadline is not a date and time."));
        Rows->setDeadline(row, deadline);
    } catch (const ETamselError &error) {
        report("dtpDateChange", error.message());
    }
}

void TfrmReminder::btnShowHintClick()
{
    const TReminderRow *row = Rows->rowAt(selectedRow());
    if (!row)
        return;
    // The message box shows an ampersand as it is, never as an access key.
    const QString message = QStringLiteral("Task:\t\t") + row->entry->title()
        + QStringLiteral("\r\n\r\nInstructions:\t") + wrappedInstructions(row->entry->body())
        + QStringLiteral("\r\n\r\nDeadline:\t")
        + DayNumber::displayText(row->deadline).replace(QLatin1String(":00 "), QLatin1String(" "));
    MessageDlg(QStringLiteral("Task Instructions"), message, TMsgDlgType::Information, mbOK);
}
