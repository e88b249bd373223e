#pragma once

#include <QString>

// The reminder sound settings, kept together in this order.
struct TReminderSoundInfo
{
    bool PlaySoundOnReminder = false;
    bool UseDefaultSound = true;
    // Sound file played instead of the default sound when UseDefaultSound is off.
    QString AlternateSound;
};

// The settings the user may change, kept by the main window and changed by
// the options dialog.
struct TSettingFields
{
    // Settings kept in fields, each named after its registry value and starting
    // at the value that holds when the registry has none (mainwindow/SettingsTable).
    bool CheckForUpdatesOnStartup = false;
    bool AutoStartWithWindows = false;
    bool StartMinimized = false;
    bool AutoSave = false;
    int AutoSaveAfterTime = 15; // minutes
    bool LoadNotesOnSearch = false;
    bool UseAlternateLocation = false;
    bool ConfirmOnDelete = false;
    // Daily backups of the store kept; 0 keeps none.
    int BackupCount = 14; // StoreBackups::DefaultCount
    // The storage folder, with a trailing '/'; set at start-up.
    QString TamselLocation;
    // The alternate storage folder chosen in the options; set at start-up.
    QString AlternateLocation;
    bool CloseOnMenuOnly = false;
    // Search scope: 1 all entries, 2 current tab, 3 current entry.
    int DefaultSearchSetting = 1;
    // Sort state of the lists. The toggles are +1 or -1; they are stored
    // negated, because start-up replays one header click that negates them back.
    int NoteSortToggle = 1;
    int NoteSortColumn = 0;
    int TaskSortToggle = 1;
    int TaskSortColumn = 0;
    // Task colours as Windows colour values (red in the low byte, then green,
    // then blue); settings/WindowsColor.h turns them into QColor.
    int CurrentColor = 0;
    int CompleteColor = 12632256; // silver
    int OverdueColor = 255;       // red
    int NevermindColor = 255;     // red
    bool DisplayReminders = true;
    // While the main window is hidden in the tray or minimized, reminders also
    // reach the desktop's notification centre.
    bool ReminderNotifications = true;
    bool StrikeoutComplete = true;
    int SpellCheckerType = 0;
    int SpellCheckerLanguage = 1;
    bool CheckSpellingOnSave = false;
    // Saving to a file and printing: 1 the active tab's entries, 2 all checked ones.
    int DefaultSaveSetting = 1;
    int DefaultPrintSetting = 1;
    TReminderSoundInfo ReminderSoundInfo;
};
