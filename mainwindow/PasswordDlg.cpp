#include "mainwindow/PasswordDlg.h"

#include "diagnostics/MessageDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <optional>
#include <utility>

namespace {
struct TSeamAnswer {
    bool accepted;
    QString passPhrase;
};

std::optional<TSeamAnswer> &seamAnswer()
{
    static std::optional<TSeamAnswer> answer;
    return answer;
}

PasswordDlgSeam::TUnansweredHandler &unansweredHandler()
{
    static PasswordDlgSeam::TUnansweredHandler handler;
    return handler;
}

// Restores the arrow over the dialog while start-up's hourglass is set.
class ArrowCursor {
public:
    ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setAutoDefault(false);
    return result;
}
} // namespace

QLineEdit *NewPasswordEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*", whatever the style's own mask.
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return edit;
}

void PasswordDlgSeam::answerOk(const QString &passPhrase) { seamAnswer() = TSeamAnswer { true, passPhrase }; }

void PasswordDlgSeam::answerCancel() { seamAnswer() = TSeamAnswer { false, QString() }; }

bool PasswordDlgSeam::hasPendingAnswer() { return seamAnswer().has_value(); }

PasswordDlgSeam::TUnansweredHandler PasswordDlgSeam::setUnansweredHandler(TUnansweredHandler handler)
{
    return std::exchange(unansweredHandler(), std::move(handler));
}

TPasswordDlg::TPasswordDlg(QString &passPhrase, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_passPhrase(passPhrase)
{
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QStringLiteral("Tamsel Password"));
    setFont(QFont(QStringLiteral("Verdana"), 8));
    setFixedSize(365, 231);

    // Geometry in pixels at 96 pixels per inch.
    lblInfo = new QLabel(this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setWordWrap(true);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInfo->setGeometry(18, 12, 329, 73);

    Label1 = new QLabel(QStringLiteral("Password:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(18, 92, 329, 16);
    edtPassword = NewPasswordEdit(this, "edtPassword");
    edtPassword->setGeometry(18, 109, 329, 22);
    Label1->setBuddy(edtPassword);

    Label2 = new QLabel(QStringLiteral("Confirm Password:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(18, 139, 329, 16);
    edtConfirm = NewPasswordEdit(this, "edtConfirm");
    edtConfirm->setGeometry(18, 156, 329, 22);
    Label2->setBuddy(edtConfirm);

    btnOK = button(this, "btnOK", QStringLiteral("OK"));
    btnOK->setGeometry(106, 193, 75, 25);
    btnOK->setDefault(true);
    btnOK->setEnabled(false);
    Button1 = button(this, "Button1", QStringLiteral("Cancel"));
    Button1->setGeometry(189, 193, 75, 25);
    btnHelp = button(this, "btnHelp", QStringLiteral("Help"));
    btnHelp->setGeometry(272, 193, 75, 25);

    setTabOrder(edtPassword, btnOK);
    setTabOrder(btnOK, edtConfirm);
    setTabOrder(edtConfirm, btnHelp);
    setTabOrder(btnHelp, Button1);

    // Both fields are watched: a password changed after its confirmation must
    // not stay acceptable.
    connect(edtConfirm, &QLineEdit::textChanged, this, &TPasswordDlg::edtConfirmChange);
    connect(edtPassword, &QLineEdit::textChanged, this, &TPasswordDlg::edtConfirmChange);
    connect(btnOK, &QPushButton::clicked, this, &TPasswordDlg::btnOKClick);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, &TPasswordDlg::btnHelpClick);

    FormCreate();
    edtPassword->setFocus();
}

void TPasswordDlg::FormCreate()
{
    lblInfo->setText(QStringLiteral("Enter a password to be used to secure your information in Tamsel.")
        + QStringLiteral("  It is required and must be entered if you ever reinstall Tamsel.")
        + QStringLiteral("\r\n\r\nPlease see Help for more information."));
}

void TPasswordDlg::edtConfirmChange()
{
    btnOK->setEnabled(!edtPassword->text().isEmpty() && edtConfirm->text() == edtPassword->text());
}

void TPasswordDlg::btnOKClick()
{
    m_passPhrase = edtPassword->text();
    accept();
}

void TPasswordDlg::btnHelpClick()
{
    MessageDlg(QStringLiteral("Your password is the key to your entries: Tamsel encrypts them with it, "
                              "asks for it this once and keeps it for every later start.\r\n\r\n"
                              "Keep a note of it in a safe place. It cannot be shown later (File > Change "
                              "Passphrase replaces it), and it is needed to open your entries again after Tamsel is reinstalled, its "
                              "settings are lost or the entries are moved to another computer."),
        TMsgDlgType::Information, mbOK, 10);
}

void TPasswordDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *shown = screen())
        move(shown->availableGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
}

bool TPasswordDlg::Execute(QString &passPhrase, QWidget *parent)
{
    if (std::optional<TSeamAnswer> answer = std::exchange(seamAnswer(), std::nullopt)) {
        if (answer->accepted)
            passPhrase = answer->passPhrase;
        return answer->accepted;
    }
    if (const PasswordDlgSeam::TUnansweredHandler &handler = unansweredHandler()) {
        const std::optional<QString> typed = handler();
        if (typed)
            passPhrase = *typed;
        return typed.has_value();
    }
    const ArrowCursor arrow;
    TPasswordDlg dialog(passPhrase, parent);
    return dialog.exec() == QDialog::Accepted;
}
