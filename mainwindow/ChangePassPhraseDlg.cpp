#include "mainwindow/ChangePassPhraseDlg.h"

#include "mainwindow/PasswordDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace {
QList<ChangePassPhraseDlgSeam::TDriver> &queuedDrivers()
{
    static QList<ChangePassPhraseDlgSeam::TDriver> drivers;
    return drivers;
}

ChangePassPhraseDlgSeam::TDriver &unansweredHandler()
{
    static ChangePassPhraseDlgSeam::TDriver handler;
    return handler;
}
} // namespace

void ChangePassPhraseDlgSeam::setNextDrivers(const QList<TDriver> &drivers) { queuedDrivers() = drivers; }

bool ChangePassPhraseDlgSeam::hasPendingDrivers() { return !queuedDrivers().isEmpty(); }

ChangePassPhraseDlgSeam::TDriver ChangePassPhraseDlgSeam::setUnansweredHandler(TDriver handler)
{
    return std::exchange(unansweredHandler(), std::move(handler));
}

TChangePassPhraseDlg::TChangePassPhraseDlg(const QString &currentPassPhrase, QWidget *parent)
    : QDialog(parent)
    , m_currentPassPhrase(currentPassPhrase)
{
    setObjectName(QStringLiteral("ChangePassPhraseDlg"));
    setWindowTitle(QStringLiteral("Change Passphrase"));

    lblInfo = new QLabel(QStringLiteral("Tamsel encrypts your entries anew with the new passphrase and keeps it in "
                                        "place of the one in use. Backups made before the change still open only "
                                        "with the passphrase in use now."),
        this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setWordWrap(true);

    edtCurrent = NewPasswordEdit(this, "edtCurrent");
    edtPassword = NewPasswordEdit(this, "edtPassword");
    edtConfirm = NewPasswordEdit(this, "edtConfirm");
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Current passphrase:"), edtCurrent);
    fields->addRow(QStringLiteral("&New passphrase:"), edtPassword);
    fields->addRow(QStringLiteral("C&onfirm new passphrase:"), edtConfirm);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: #b00000;"));

    auto *buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QDialogButtonBox::Ok);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(QDialogButtonBox::Cancel);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &TChangePassPhraseDlg::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addLayout(fields);
    layout->addWidget(lblProblem);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    edtCurrent->setFocus();
}

QString TChangePassPhraseDlg::Problem() const
{
    if (edtCurrent->text() != m_currentPassPhrase)
        return QStringLiteral("The current passphrase is not the one in use. Type the passphrase your entries are "
                              "protected with now.");
    if (edtPassword->text().isEmpty())
        return QStringLiteral("Type a new passphrase: an empty one would protect nothing.");
    if (edtPassword->text() == m_currentPassPhrase)
        return QStringLiteral("The new passphrase is the one in use. Type another one.");
    if (edtConfirm->text() != edtPassword->text())
        return QStringLiteral("The two new passphrases differ. Type the new passphrase twice, the same both times.");
    return {};
}

void TChangePassPhraseDlg::btnOKClick()
{
    const QString problem = Problem();
    lblProblem->setText(problem);
    if (problem.isEmpty())
        accept();
}

std::optional<QString> TChangePassPhraseDlg::Execute(const QString &currentPassPhrase, QWidget *parent)
{
    TChangePassPhraseDlg dialog(currentPassPhrase, parent);
    ChangePassPhraseDlgSeam::TDriver driver
        = queuedDrivers().isEmpty() ? unansweredHandler() : queuedDrivers().takeFirst();
    if (driver)
        driver(dialog);
    else
        dialog.exec();
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return dialog.edtPassword->text();
}
