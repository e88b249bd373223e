#pragma once

#include <QTemporaryDir>
#include <QString>

// A private home for one test: XDG configuration and data folders inside a
// temporary folder, so the registry file, the store and the log never touch
// the user's own. Kept on disk when the test fails.
class TestHome
{
public:
    TestHome();
    ~TestHome();

    QString path() const { return m_dir.path(); }
    QString configFolder() const; // $XDG_CONFIG_HOME/Tamsel
    QString dataFolder() const;   // $XDG_DATA_HOME/Tamsel, the default storage folder
    QString registryFile() const;
    QString storeFile() const;    // brindo.dat in the default storage folder

private:
    QTemporaryDir m_dir;
};
