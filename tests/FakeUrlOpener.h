#pragma once

#include "platform/UrlOpener.h"

#include <QList>
#include <QUrl>

// Records what would have gone to the desktop instead of opening it, and
// answers as told. Installed for its lifetime.
class TFakeUrlOpener : public TUrlOpener {
public:
    TFakeUrlOpener() { setCurrent(this); }
    ~TFakeUrlOpener() override { setCurrent(nullptr); }
    TFakeUrlOpener(const TFakeUrlOpener &) = delete;
    TFakeUrlOpener &operator=(const TFakeUrlOpener &) = delete;

    bool open(const QUrl &url) override
    {
        opened << url;
        return succeeds;
    }
    QList<QUrl> opened;
    bool succeeds = true;
};
