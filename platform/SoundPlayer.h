#pragma once

#include <QString>

// Plays the reminder sounds. The program uses the desktop's audio; tests
// install a fake that records what would be heard.
class TSoundPlayer {
public:
    virtual ~TSoundPlayer() = default;

    // Plays a WAV file to its end, keeping the event loop running meanwhile.
    // False when the file could not be played (missing, not a sound, no audio
    // device); nothing is heard then.
    virtual bool playWav(const QString &path) = 0;

    static TSoundPlayer &current();
    // Installs a player (not owned) until called again; nullptr restores the
    // desktop's.
    static void setCurrent(TSoundPlayer *player);
};
