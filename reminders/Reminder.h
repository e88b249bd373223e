#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimeEdit;
class QTreeView;
class TDesktopNotifications;
class TReminderHost;
class TReminderListModel;
struct TEntry;

// The window the reminder check raises for the tasks that are due. The user
// ticks tasks as done, moves deadlines and chooses lead times; the rows keep
// these edits until Save hands them back to the check. The window never
// changes an entry itself.
class TfrmReminder : public QDialog {
    Q_OBJECT

public:
    // The window keeps its place on the screen of its own, and lets the main
    // window's timers run again when it goes.
    explicit TfrmReminder(TReminderHost &host);
    ~TfrmReminder() override;

    void AddTask(TEntry *task);
    // Tells the desktop's notification centre of tasks new in the window, in
    // place of what it told before; a click there brings the window up. The
    // notification goes with the window.
    void Announce(const std::vector<TEntry *> &tasks);
    // Shows the window modally; QDialog::Accepted for Save.
    int ShowModal();

    QFrame *pnlReminder = nullptr;
    QLabel *lblHeader = nullptr;
    QGroupBox *grpTaskInfo = nullptr;
    QLabel *lblTaskDesc = nullptr;
    QLabel *lblInstructions = nullptr;
    QPushButton *btnShowHint = nullptr;
    QDateEdit *dtpDate = nullptr;
    QTimeEdit *dtpTime = nullptr;
    QComboBox *cboReminder = nullptr;
    QTreeView *lsvTasks = nullptr;
    TReminderListModel *Rows = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;

    void lsvTasksColumnClick(int column);
    void btnShowHintClick();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormActivate();
    void FormDestroy();
    void pnlReminderResize();
    void lsvTasksSelectItem();
    void cboReminderChange(int shortRow);
    void dtpDateChange();
    int selectedRow() const;
    void fitTaskColumn();
    void BringUp();

    TReminderHost &m_host;
    bool m_creating = false;
    bool m_playing = false;
    bool m_shown = false;
    // The notification centre told last.
    QPointer<TDesktopNotifications> m_centre;
};

// The start of a text that fits n characters: its first 2 × (n div 2) − 2
// characters and "...".
QString ShortenText(const QString &text, int n);
// A label's text as the detail group shows it: whole when it fits the width
// (room for n characters from 6n + 8 pixels), else shortened.
QString FitLabelText(const QString &text, int labelWidth);

// What a desktop notification says of tasks that have come due: one task's
// title and deadline, or the count of several and each one's title and
// deadline. Deadlines read as the reminder window shows them.
struct TReminderNoticeText {
    QString summary;
    QString body;
};
TReminderNoticeText ReminderNoticeText(const std::vector<TEntry *> &tasks);

// The reminder window's place on the screen. `firstMonitor` is the primary
// screen's geometry and `desktopHeight` the height of the whole desktop.
namespace ReminderGeometry {
constexpr int DesignedWidth = 426;
constexpr int DesignedHeight = 318;

struct TStored {
    std::optional<int> left, top, width, height;
};
// Where a window opens: the stored place, or at the bottom right of the first
// monitor, 35 pixels above its bottom edge. A stored place that is not
// wholly on the first monitor (the screen may have changed) is not used.
QRect atOpen(const TStored &stored, const QRect &firstMonitor, int desktopHeight);
// What a closing window stores: its place when it lies wholly on the first
// monitor, else a place at the bottom right of it, so the next one opens on screen.
QRect toStore(const QRect &window, const QRect &firstMonitor, int desktopHeight);
} // namespace ReminderGeometry

// Test seam: while handlers are queued, ShowModal shows the window without a
// modal loop and hands it to the next handler, which closes it as the user
// would; a window the handler leaves open counts as cancelled. A window asked
// for without a queued handler goes to the unanswered handler when one is set.
namespace ReminderWindowSeam {
using THandler = std::function<void(TfrmReminder &)>;
void setNextHandlers(const QList<THandler> &handlers);
THandler setUnansweredHandler(THandler handler);
} // namespace ReminderWindowSeam
