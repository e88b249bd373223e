#pragma once

#include <functional>
#include <optional>

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// A field for a passphrase: every typed character shows as "*".
QLineEdit *NewPasswordEdit(QWidget *parent, const char *name);

// The passphrase dialog of the first start: the passphrase is typed twice and
// accepted only when both agree and are not empty.
class TPasswordDlg : public QDialog {
    Q_OBJECT

public:
    // OK writes the typed passphrase into passPhrase (the main window's
    // PassPhrase); Cancel leaves it alone.
    explicit TPasswordDlg(QString &passPhrase, QWidget *parent = nullptr);

    // Shows the dialog modally, with the normal cursor also while start-up
    // shows the hourglass. True when it closed with OK.
    static bool Execute(QString &passPhrase, QWidget *parent = nullptr);

    void FormCreate();
    // OK is enabled exactly when both fields hold the same non-empty text.
    void edtConfirmChange();
    void btnOKClick();
    void btnHelpClick();

    QLabel *lblInfo = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *edtPassword = nullptr;
    QPushButton *btnOK = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *edtConfirm = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *Button1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString &m_passPhrase;
};

// Test seam: while an answer is queued, Execute shows no dialog and ends as if
// the user had confirmed that passphrase with OK, or had clicked Cancel. With
// no answer queued, the unanswered handler, when one is set, answers in the
// dialog's place (nothing: Cancel).
namespace PasswordDlgSeam {
void answerOk(const QString &passPhrase);
void answerCancel();
bool hasPendingAnswer();
using TUnansweredHandler = std::function<std::optional<QString>()>;
// Returns the handler set before.
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);
} // namespace PasswordDlgSeam
