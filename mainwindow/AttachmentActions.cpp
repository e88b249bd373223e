// The file field of the editor: Add File, View, Remove, and files dropped on it.
#include "mainwindow/Main.h"

#include "controls/RichEditURL.h"
#include "controls/Attachments.h"

#include <QAction>
#include <QRadioButton>

void TfrmMain::ConnectAttachmentEvents()
{
    connect(actAddFile, &QAction::triggered, this, [this] { actAddFileExecute(); });
    connect(actViewFile, &QAction::triggered, this, [this] { actViewFileExecute(); });
    connect(actDeleteFile, &QAction::triggered, this, [this] { actDeleteFileExecute(); });
    TFileDropTarget *drop = TFileDropTarget::Install(redFileName, [this] { return actAddFile->isEnabled(); });
    connect(drop, &TFileDropTarget::fileDropped, this, [this](const QString &path) { drpFileDrop(path); });
}

bool TfrmMain::AddFile(QTextEdit *field)
{
    return Attachments::AddFile(field, radTask->isChecked(), this);
}

void TfrmMain::actAddFileExecute()
{
    DisableTimer();
    AddFile(redFileName);
    EnableUserControls();
    ResetTimerState();
}

void TfrmMain::actViewFileExecute()
{
    // The file may have gone since View was enabled; the user is then told,
    // and View follows what is there now.
    DisableTimer();
    Attachments::ViewFile(redFileName->toPlainText());
    EnableUserControls();
    ResetTimerState();
}

void TfrmMain::actDeleteFileExecute()
{
    redFileName->clear();
    EnableUserControls();
}

void TfrmMain::drpFileDrop(const QString &path)
{
    redFileName->setPlainText(path);
    EnableUserControls();
}
