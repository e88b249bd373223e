#include "reminders/ReminderSound.h"


#include <QApplication>
#include <QAudioDevice>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace {
class TSystemSound : public TReminderSound {
public:
    void beep() override { QApplication::beep(); }

    bool playFile(const QString &path) override
    {
        // A machine without an audio device plays nothing: the beep stands in.
        if (QMediaDevices::defaultAudioOutput().isNull())
            return false;
        QSoundEffect effect;
        QEventLoop loop;
        bool failed = false;
        bool started = false;
        const auto startWhenLoaded = [&] {
            if (effect.status() == QSoundEffect::Error) {
                failed = true;
                loop.quit();
            } else if (effect.status() == QSoundEffect::Ready && !started) {
                started = true;
                effect.play();
            }
        };
        QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, startWhenLoaded);
        QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&] {
            if (!effect.isPlaying())
                loop.quit();
        });
        // The longest a PCM file can play is at 8000 bytes a second; a sound
        // device that never reports the end cannot hold the window longer.
        QTimer::singleShot(int(qMin<qint64>(QFileInfo(path).size() / 8 + 2000, 600000)), &loop, &QEventLoop::quit);
        effect.setSource(QUrl::fromLocalFile(path));
        startWhenLoaded();
        if (failed)
            return false;
        // The sound plays to its end before the caller goes on, while the
        // program's windows keep being painted.
        loop.exec();
        return !failed;
    }
};

TReminderSound *replacement = nullptr;
} // namespace

TReminderSound &TReminderSound::current()
{
    static TSystemSound system;
    return replacement ? *replacement : system;
}

void TReminderSound::setCurrent(TReminderSound *sound) { replacement = sound; }

void PlayReminderSound(const TReminderSoundInfo &settings, TReminderSound &sound)
{
    if (!settings.PlaySoundOnReminder)
        return;
    if (settings.UseDefaultSound) {
        sound.beep();
        return;
    }
    if (settings.AlternateSound.isEmpty() || !QFileInfo(settings.AlternateSound).isFile())
        return;
    if (!sound.playFile(settings.AlternateSound))
        sound.beep();
}
