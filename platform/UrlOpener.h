#pragma once

#include <QUrl>

// Opens a URL or document with the program the desktop associates with it
// (the shell's "open" verb). The program uses the desktop's services; tests
// install a fake so that nothing is launched.
class TUrlOpener {
public:
    virtual ~TUrlOpener() = default;

    // False when no program could be started for the URL.
    virtual bool open(const QUrl &url) = 0;

    static TUrlOpener &current();
    // Installs an opener (not owned) until called again; nullptr restores the
    // desktop's.
    static void setCurrent(TUrlOpener *opener);
};
