#include "platform/UrlOpener.h"

#include <QDesktopServices>

namespace {
class TDesktopUrlOpener : public TUrlOpener {
public:
    bool open(const QUrl &url) override { return QDesktopServices::openUrl(url); }
};

TUrlOpener *installedOpener = nullptr;
} // namespace

TUrlOpener &TUrlOpener::current()
{
    static TDesktopUrlOpener desktop;
    return installedOpener ? *installedOpener : desktop;
}

void TUrlOpener::setCurrent(TUrlOpener *opener) { installedOpener = opener; }
