#include "tests/TestHome.h"

#include <QDir>
#include <QTest>

TestHome::TestHome()
{
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (m_dir.path() + QStringLiteral("/run")).toUtf8());
    QDir().mkpath(m_dir.path() + QStringLiteral("/config/Tamsel"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/data/Tamsel"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/run"));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TestHome::~TestHome()
{
    m_dir.setAutoRemove(!QTest::currentTestFailed());
}

QString TestHome::configFolder() const
{
    return m_dir.path() + QStringLiteral("/config/Tamsel");
}

QString TestHome::dataFolder() const
{
    return m_dir.path() + QStringLiteral("/data/Tamsel");
}

QString TestHome::registryFile() const
{
    return configFolder() + QStringLiteral("/registry.json");
}

QString TestHome::storeFile() const
{
    return dataFolder() + QStringLiteral("/brindo.dat");
}
