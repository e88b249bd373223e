// The quick-add window for a note or a task.
#include "quickadd/AddNote.h"

#include "controls/WindowBounds.h"
#include "controls/DateStamp.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "controls/Attachments.h"
#include "controls/ImageList.h"
#include "platform/Clock.h"
#include "quickadd/QuickAddHost.h"
#include "reminders/LeadTimes.h"
#include "reminders/ReminderInfo.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/DayNumber.h"
#include "store/Deadline.h"
#include "store/EntryTable.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>
#include <QTimer>
#include <algorithm>
#include <optional>

namespace {
const QString unitAddNote = QStringLiteral("AddNote");

// The designed window leaves this much room above the bottom of the screen.
constexpr int bottomClearance = 35;
// Pause after the last move or resize that counts as its end, in milliseconds.
constexpr int endOfMoveDelay = 300;

// The first monitor, without the desktop's panels.
QRect firstScreen()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

int defaultTop(int height) { return firstScreen().bottom() + 1 - height - bottomClearance; }
int defaultLeft(int width) { return firstScreen().right() + 1 - width; }

QPushButton *fileButton(const char *name, int image, const QString &hint, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(ImageList::icon(image));
    button->setIconSize(QSize(16, 16));
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setToolTip(hint);
    return button;
}
} // namespace

TfrmAddNote::TfrmAddNote(TQuickAddHost &host, bool task)
    : QDialog(&host.QuickAddOwner(), Qt::Dialog | Qt::CustomizeWindowHint)
    , TaskMode(task)
    , m_host(host)
{
    setObjectName(QStringLiteral("frmAddNote"));
    setWindowTitle(task ? QStringLiteral("Add Task") : QStringLiteral("Add Note"));
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    m_endOfMove = new QTimer(this);
    m_endOfMove->setSingleShot(true);
    m_endOfMove->setInterval(endOfMoveDelay);
    connect(m_endOfMove, &QTimer::timeout, this, &TfrmAddNote::ExitSizeMove);
    CreateControls();
    LoadGeometry();

    if (TaskMode) {
        lblTitle->setText(QStringLiteral("T&ask:"));
        const QDateTime now = Clock::now();
        dtpDate->setDate(now.date());
        dtpTime->setTime(now.time());
        m_host.FillReminderComboBox(cboReminder);
    }
    pnlTask->setVisible(TaskMode);
    pnlTask->setEnabled(TaskMode);
    edtTitleChange();
    redFileNameChange();
    edtTitle->setFocus();
}

void TfrmAddNote::CreateControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    pnlContents = new QFrame(this);
    pnlContents->setObjectName(QStringLiteral("pnlContents"));
    pnlContents->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlContents->setMinimumSize(300, 150);
    outer->addWidget(pnlContents);

    auto *grid = new QGridLayout(pnlContents);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(4);

    lblTitle = new QLabel(QStringLiteral("T&itle:"), pnlContents);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    edtTitle = new TRichEditURL(TRichEditURL::Lines::Single, pnlContents);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    lblTitle->setBuddy(edtTitle);
    grid->addWidget(lblTitle, 0, 0);
    grid->addWidget(edtTitle, 0, 1);

    pnlTask = new QWidget(pnlContents);
    pnlTask->setObjectName(QStringLiteral("pnlTask"));
    auto *task = new QHBoxLayout(pnlTask);
    task->setContentsMargins(0, 0, 0, 0);
    auto *label2 = new QLabel(QStringLiteral("&Deadline:"), pnlTask);
    label2->setObjectName(QStringLiteral("Label2"));
    dtpDate = new QDateEdit(pnlTask);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    label2->setBuddy(dtpDate);
    dtpTime = new QTimeEdit(pnlTask);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("h:mm AP"));
    auto *label3 = new QLabel(QStringLiteral("&Reminder:"), pnlTask);
    label3->setObjectName(QStringLiteral("Label3"));
    cboReminder = new QComboBox(pnlTask);
    cboReminder->setObjectName(QStringLiteral("cboReminder"));
    label3->setBuddy(cboReminder);
    chkComplete = new QCheckBox(QStringLiteral("Co&mplete"), pnlTask);
    chkComplete->setObjectName(QStringLiteral("chkComplete"));
    task->addWidget(label2);
    task->addWidget(dtpDate);
    task->addWidget(dtpTime);
    task->addStretch(1);
    task->addWidget(label3);
    task->addWidget(cboReminder);
    task->addWidget(chkComplete);
    grid->addWidget(pnlTask, 1, 0, 1, 2);

    redNote = new TRichEditURL(TRichEditURL::Lines::Multi, pnlContents);
    redNote->setObjectName(QStringLiteral("redNote"));
    redNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->addWidget(redNote, 2, 0, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    redFileName = new TRichEditURL(TRichEditURL::Lines::Single, pnlContents);
    redFileName->setObjectName(QStringLiteral("redFileName"));
    redFileName->setReadOnly(true);
    redFileName->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette grey = redFileName->palette();
    grey.setColor(QPalette::Text, grey.color(QPalette::Disabled, QPalette::Text));
    redFileName->setPalette(grey);
    btnAddFile = fileButton("btnAddFile", 27, QStringLiteral("Add file."), pnlContents);
    btnViewFile = fileButton("btnViewFile", 30, QStringLiteral("View file."), pnlContents);
    btnRemoveFile = fileButton("btnRemoveFile", 28, QStringLiteral("Remove file."), pnlContents);
    fileRow->addWidget(redFileName, 1);
    fileRow->addWidget(btnAddFile);
    fileRow->addWidget(btnViewFile);
    fileRow->addWidget(btnRemoveFile);
    grid->addLayout(fileRow, 3, 0, 1, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSave = new QPushButton(QStringLiteral("&Save"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);

    for (TRichEditURL *field : {edtTitle, redNote, redFileName})
        field->installEventFilter(this);
    connect(edtTitle, &QTextEdit::textChanged, this, &TfrmAddNote::edtTitleChange);
    connect(redFileName, &QTextEdit::textChanged, this, &TfrmAddNote::redFileNameChange);
    connect(TFileDropTarget::Install(redFileName), &TFileDropTarget::fileDropped, redFileName,
            &QTextEdit::setPlainText);
    connect(btnAddFile, &QPushButton::clicked, this, &TfrmAddNote::btnAddFileClick);
    connect(btnViewFile, &QPushButton::clicked, this, &TfrmAddNote::btnViewFileClick);
    connect(btnRemoveFile, &QPushButton::clicked, this, &TfrmAddNote::btnRemoveFileClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmAddNote::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (TRichEditURL *field : {edtTitle, redNote})
        connect(field, &TRichEditURL::OnURLClick, this,
                [this](TRichEditURL *sender, const QString &url) { m_host.redNoteURLClick(sender, url); });
}

bool TfrmAddNote::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<TRichEditURL *>(watched);
    if (!field)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        try {
            return m_host.redNoteOriginalKeyPress(field, static_cast<QKeyEvent *>(event));
        } catch (const ETamselError &error) {
            LogError({unitAddNote, QStringLiteral("redNoteKeyPress"), error.message()});
        }
    } else if (event->type() == QEvent::KeyRelease && field == redNote) {
        const auto *key = static_cast<QKeyEvent *>(event);
        try {
            if (const QString stamp = DateStampForKey(key->key()); !stamp.isEmpty() && !key->isAutoRepeat())
                redNote->insertPlainText(stamp + QLatin1Char(' '));
        } catch (const ETamselError &error) {
            ReportError({unitAddNote, QStringLiteral("redNoteKeyUp"), error.message()});
        }
    }
    return false;
}

void TfrmAddNote::edtTitleChange()
{
    // A title of blanks only would be stored as an element without text,
    // which the lists cannot show: Save waits for a visible character.
    btnSave->setEnabled(!edtTitle->toPlainText().trimmed().isEmpty());
}

void TfrmAddNote::redFileNameChange()
{
    const QString path = redFileName->toPlainText();
    btnViewFile->setEnabled(Attachments::CanView(path));
    btnRemoveFile->setEnabled(!path.isEmpty());
}

void TfrmAddNote::btnAddFileClick() { Attachments::AddFile(redFileName, TaskMode, this); }

void TfrmAddNote::btnViewFileClick()
{
    Attachments::ViewFile(redFileName->toPlainText());
    redFileNameChange();
}

void TfrmAddNote::btnRemoveFileClick() { redFileName->clear(); }

void TfrmAddNote::btnSaveClick()
{
    try {
        const double now = DayNumber::fromDateTime(Clock::now());
        TEntryWrite write;
        if (TaskMode) {
            const int row = cboReminder->currentIndex();
            if (row < 0)
                throw ETamselError(QStringLiteral("No reminder is chosen."));
            TTaskFields fields;
            fields.title = edtTitle->toPlainText();
            fields.body = redNote->toPlainText();
            fields.fileName = redFileName->toPlainText();
            fields.deadline = Deadline::fromPickers(dtpDate->date(), dtpTime->time());
            fields.lead = LeadTimes::fullIndexFromShort(row);
            fields.reminderDate = LeadTimes::reminderDate(fields.deadline, ReminderInfoAt(cboReminder, row).Minutes);
            fields.complete = chkComplete->isChecked();
            write = m_host.QuickAddEntries().SaveTask(nullptr, fields, now);
        } else {
            write = m_host.QuickAddEntries().SaveNote(
                nullptr, {edtTitle->toPlainText(), redNote->toPlainText(), redFileName->toPlainText()}, now);
        }
        // A store that failed has told the user so; the entry stays in the
        // list and is stored with the next store that succeeds.
        m_added = write.entry;
        m_stored = write.stored;
    } catch (const ETamselError &error) {
        // Nothing was added: the window stays open, so the text is not lost.
        ReportError({unitAddNote, QStringLiteral("btnSaveClick"), error.message()});
        return;
    }
    accept();
}

void TfrmAddNote::LoadGeometry()
{
    std::optional<int> top, left, width, height;
    try {
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        const auto read = [&registry](const char *name) -> std::optional<int> {
            const QString value = QLatin1String(name);
            if (!registry.ValueExists(value))
                return std::nullopt;
            return registry.ReadInteger(value);
        };
        height = read("AddNoteHeight");
        top = read("AddNoteTop");
        width = read("AddNoteWidth");
        left = read("AddNoteLeft");
        registry.CloseKey();
    } catch (const ETamselError &error) {
        LogError({unitAddNote, QStringLiteral("LoadGeometry"), error.message()});
    }
    // Whatever the settings hold, the window fits on the first screen.
    const QRect area = firstScreen();
    const auto positiveOr = [](std::optional<int> value, int fallback) { return value > 0 ? *value : fallback; };
    const int h = std::min(positiveOr(height, DesignedHeight), area.height());
    const int w = std::min(positiveOr(width, DesignedWidth), area.width());
    const auto coordinate = [](int value) { return std::clamp(value, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX); };
    const QRect place = FitIntoArea(
        QRect(coordinate(left.value_or(defaultLeft(w))), coordinate(top.value_or(defaultTop(h))), w, h), area);
    move(place.topLeft());
    resize(place.size());
}

void TfrmAddNote::SaveGeometry()
{
    // A place off the first screen is not kept: the next window would open
    // where it cannot be seen.
    const bool onScreen = firstScreen().contains(frameGeometry());
    try {
        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        registry.WriteInteger(QStringLiteral("AddNoteHeight"), onScreen ? height() : DesignedHeight);
        registry.WriteInteger(QStringLiteral("AddNoteTop"), onScreen ? y() : defaultTop(DesignedHeight));
        registry.WriteInteger(QStringLiteral("AddNoteWidth"), onScreen ? width() : DesignedWidth);
        registry.WriteInteger(QStringLiteral("AddNoteLeft"), onScreen ? x() : defaultLeft(DesignedWidth));
        registry.CloseKey();
    } catch (const ETamselError &error) {
        LogError({unitAddNote, QStringLiteral("SaveGeometry"), error.message()});
    }
}

void TfrmAddNote::done(int result)
{
    m_endOfMove->stop();
    SaveGeometry();
    QDialog::done(result);
}

void TfrmAddNote::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    if (isVisible())
        m_endOfMove->start();
}

void TfrmAddNote::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (isVisible())
        m_endOfMove->start();
}

void TfrmAddNote::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A stored place from a larger screen, or a size the layout has grown,
    // is brought onto the screen at once.
    ExitSizeMove();
}

void TfrmAddNote::ExitSizeMove()
{
    const QRect screen = firstScreen();
    const QRect frame = frameGeometry();
    QPoint shift;
    if (frame.right() > screen.right())
        shift.rx() = screen.right() - frame.right();
    if (frame.bottom() > screen.bottom())
        shift.ry() = screen.bottom() - frame.bottom();
    // The left and top edges stay on the screen too, also for a window
    // larger than it: that is where the frame can be taken hold of again.
    shift.rx() = std::max(shift.x(), screen.left() - frame.left());
    shift.ry() = std::max(shift.y(), screen.top() - frame.top());
    if (!shift.isNull())
        move(pos() + shift);
}
