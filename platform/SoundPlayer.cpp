#include "platform/SoundPlayer.h"

#include <QAudioDevice>
#include <QEventLoop>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace {
// A sound that never loads or never reports its end (a stalled audio device)
// cannot hold the caller for longer than these.
constexpr int longestLoadMs = 5000;
constexpr int longestWaitMs = 60000;

class TDesktopSoundPlayer : public TSoundPlayer {
public:
    bool playWav(const QString &path) override
    {
        // Without an audio device nothing could be heard; waiting for it would only stall.
        if (QMediaDevices::audioOutputs().isEmpty())
            return false;
        QSoundEffect effect;
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, &QEventLoop::quit);
        QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, &QEventLoop::quit);

        effect.setSource(QUrl::fromLocalFile(path));
        limit.start(longestLoadMs);
        while (effect.status() == QSoundEffect::Loading && limit.isActive())
            loop.exec();
        if (effect.status() != QSoundEffect::Ready)
            return false;
        limit.start(longestWaitMs);
        effect.play();
        while ((effect.isPlaying() || effect.status() == QSoundEffect::Loading) && limit.isActive())
            loop.exec();
        return effect.status() == QSoundEffect::Ready;
    }
};

TSoundPlayer *&installed()
{
    static TSoundPlayer *player = nullptr;
    return player;
}
} // namespace

TSoundPlayer &TSoundPlayer::current()
{
    static TDesktopSoundPlayer desktop;
    return installed() ? *installed() : desktop;
}

void TSoundPlayer::setCurrent(TSoundPlayer *player)
{
    installed() = player;
}
