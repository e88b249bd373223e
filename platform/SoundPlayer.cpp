#include "platform/SoundPlayer.h"

#include <QEventLoop>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace {
// A sound that never reports its end (a stalled audio device) cannot hold the
// caller for longer than this.
constexpr int longestWaitMs = 60000;

class TDesktopSoundPlayer : public TSoundPlayer {
public:
    bool playWav(const QString &path) override
    {
        QSoundEffect effect;
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, &QEventLoop::quit);
        QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, &QEventLoop::quit);

        effect.setSource(QUrl::fromLocalFile(path));
        limit.start(longestWaitMs);
        while (effect.status() == QSoundEffect::Loading && limit.isActive())
            loop.exec();
        if (effect.status() != QSoundEffect::Ready)
            return false;
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
