#pragma once

#include "mainwindow/Main.h"

#include <QTemporaryDir>

class QPixmap;
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

// Start-up's part from the store file to both lists on screen: decrypt,
// parse, build the entry table, replay the stored sorts and paint one screen
// of each list onto the canvas.
void OpenAndPaintLists(TfrmMain &w, QPixmap &canvas);
