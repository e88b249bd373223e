#pragma once

#include "app/Main.h"

#include <QTemporaryDir>
#include <memory>

// A main window over a generated store of `entries` entries, in a private
// home so that measurements never touch the user's files.
class BenchHome
{
public:
    explicit BenchHome(int entries);
    // The same over a plain entry document given by the caller.
    explicit BenchHome(QByteArray plainDocument);
    ~BenchHome();

    TfrmMain &window() { return *m_window; }
    const QByteArray &plainDocument() const { return m_plain; }
    QString storeFile() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_plain;
    std::unique_ptr<TfrmMain> m_window;
};
