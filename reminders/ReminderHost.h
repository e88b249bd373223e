#pragma once

class QComboBox;
class QWidget;
class TEntryTable;
struct TReminderSoundInfo;

// What the reminder window needs of the window whose reminder check raises
// it: the window it stands over, the entries, the sound settings, the
// lead-time list, and the timers it lets run again when it goes.
class TReminderHost {
public:
    virtual QWidget &ReminderOwner() = 0;
    virtual TEntryTable &ReminderEntries() = 0;
    virtual const TReminderSoundInfo &ReminderSoundSettings() const = 0;
    virtual void FillReminderComboBox(QComboBox *box) = 0;
    virtual void ResetTimerState() = 0;

protected:
    ~TReminderHost() = default;
};
