#pragma once

#include <QDate>
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialogButtonBox;
class QTreeWidget;

// One backup as the restore dialog offers it.
struct TBackupChoice {
    QString path;
    QDate day;
    // 1 for the day's backup, 2 and on for those kept before a restore.
    int number = 1;
    // Its entries; none when it does not open with the passphrase in use.
    std::optional<int> entries;
};

// File > "Restore from Backup...": the backups, newest first, each with its
// date, its entries (or that it does not open) and its file. The user picks
// one; nothing here touches the store.
class TfrmRestoreBackup : public QDialog {
    Q_OBJECT

public:
    TfrmRestoreBackup(const QList<TBackupChoice> &backups, QWidget *parent = nullptr);

    // The path of the selected backup; empty for none.
    QString chosenPath() const;
    // What a row shows, for the backup.
    static QStringList RowTexts(const TBackupChoice &backup);

    // Shows the dialog; the path of the backup chosen, no value when the
    // user cancelled.
    static std::optional<QString> Choose(const QList<TBackupChoice> &backups, QWidget *parent);

private:
    QTreeWidget *m_list = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

// Test seam: while answers are queued, Choose shows no dialog and returns the
// backup whose file has the next answer's name (no value, or a name that is
// not offered: the user cancelled), recording the rows it offered.
namespace RestoreBackupDialogSeam {

void setNextAnswers(const QList<std::optional<QString>> &fileNames);
bool hasPendingAnswers();
// For each dialog asked since the last take, oldest first: its rows' texts,
// the columns joined by " | ".
QList<QStringList> takeAsked();
// Answers a dialog asked without a queued answer in place of showing it.
// Returns the handler it replaces; an empty one removes it.
using TUnansweredHandler = std::function<std::optional<QString>(const QList<TBackupChoice> &)>;
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);

} // namespace RestoreBackupDialogSeam
