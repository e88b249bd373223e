#include "mainwindow/RestoreBackupDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
struct TSeam {
    QList<std::optional<QString>> answers;
    QList<QStringList> asked;
    RestoreBackupDialogSeam::TUnansweredHandler unanswered;
};

TSeam &seam()
{
    static TSeam state;
    return state;
}

std::optional<QString> pathNamed(const QList<TBackupChoice> &backups, const std::optional<QString> &fileName)
{
    for (const TBackupChoice &backup : backups) {
        if (fileName && QFileInfo(backup.path).fileName() == *fileName)
            return backup.path;
    }
    return std::nullopt;
}
} // namespace

TfrmRestoreBackup::TfrmRestoreBackup(const QList<TBackupChoice> &backups, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRestoreBackup"));
    setWindowTitle(QStringLiteral("Restore from Backup"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Choose the backup whose entries take the place of yours:"), this));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lsvBackups"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({ QStringLiteral("Date"), QStringLiteral("Entries"), QStringLiteral("File") });
    for (const TBackupChoice &backup : backups) {
        auto *row = new QTreeWidgetItem(m_list, RowTexts(backup));
        row->setData(0, Qt::UserRole, backup.path);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_list);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Restore..."));
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    const auto followSelection
        = [this] { m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!chosenPath().isEmpty()); };
    connect(m_list, &QTreeWidget::currentItemChanged, this, followSelection);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    followSelection();
    resize(520, 320);
}

QString TfrmRestoreBackup::chosenPath() const
{
    const QTreeWidgetItem *row = m_list->currentItem();
    return row ? row->data(0, Qt::UserRole).toString() : QString();
}

QStringList TfrmRestoreBackup::RowTexts(const TBackupChoice &backup)
{
    QString date = QLocale().toString(backup.day, QLocale::LongFormat);
    if (backup.number > 1)
        date += QStringLiteral(" (kept before a restore)");
    const QString entries = backup.entries
        ? (*backup.entries == 1 ? QStringLiteral("1 entry")
                                : QStringLiteral("%1 entries").arg(QLocale().toString(*backup.entries)))
        : QStringLiteral("does not open with your password");
    return { date, entries, QFileInfo(backup.path).fileName() };
}

std::optional<QString> TfrmRestoreBackup::Choose(const QList<TBackupChoice> &backups, QWidget *parent)
{
    if (!seam().answers.isEmpty()) {
        QStringList rows;
        for (const TBackupChoice &backup : backups)
            rows << RowTexts(backup).join(QStringLiteral(" | "));
        seam().asked.append(rows);
        return pathNamed(backups, seam().answers.takeFirst());
    }
    if (seam().unanswered)
        return pathNamed(backups, seam().unanswered(backups));
    TfrmRestoreBackup dialog(backups, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenPath().isEmpty())
        return std::nullopt;
    return dialog.chosenPath();
}

void RestoreBackupDialogSeam::setNextAnswers(const QList<std::optional<QString>> &fileNames)
{
    seam().answers = fileNames;
}

bool RestoreBackupDialogSeam::hasPendingAnswers() { return !seam().answers.isEmpty(); }

QList<QStringList> RestoreBackupDialogSeam::takeAsked() { return std::exchange(seam().asked, {}); }

RestoreBackupDialogSeam::TUnansweredHandler RestoreBackupDialogSeam::setUnansweredHandler(
    TUnansweredHandler handler)
{
    return std::exchange(seam().unanswered, std::move(handler));
}
