#pragma once

#include <QString>
#include <QTemporaryDir>

// A private folder for the files a fuzz target writes, removed at exit.
inline QString FuzzFolder()
{
    static const QTemporaryDir folder;
    return folder.path();
}
