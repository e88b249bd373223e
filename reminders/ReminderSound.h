#pragma once

#include "settings/SettingFields.h"

#include <QString>

// What the reminder window plays: the system's beep or a WAV file. Behind
// this interface so that tests can record what would have played.
class TReminderSound {
public:
    virtual ~TReminderSound() = default;
    virtual void beep() = 0;
    // Plays the file to its end; false when it could not be played.
    virtual bool playFile(const QString &path) = 0;

    // The sound in use: the system's, unless a test put another in its place
    // (null puts the system's back).
    static TReminderSound &current();
    static void setCurrent(TReminderSound *sound);
};

// The reminder sound as the settings choose it: nothing while sounds are off;
// the beep for the default sound; otherwise the alternate file when it exists
// (the beep when it cannot be played), and nothing when it is missing.
void PlayReminderSound(const TReminderSoundInfo &settings, TReminderSound &sound = TReminderSound::current());
