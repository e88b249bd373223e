#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// The dialog of File > "Change Passphrase...": the passphrase in use, then
// the new one typed twice. OK is refused, with the reason shown in the
// dialog, while the passphrase in use is typed wrong, the new one is empty or
// the one in use, or the two new ones differ.
class TChangePassPhraseDlg : public QDialog {
    Q_OBJECT

public:
    explicit TChangePassPhraseDlg(const QString &currentPassPhrase, QWidget *parent = nullptr);

    // Shows the dialog modally; the new passphrase when it closed with OK.
    static std::optional<QString> Execute(const QString &currentPassPhrase, QWidget *parent = nullptr);

    // Why OK is refused now; empty when it is not.
    QString Problem() const;
    void btnOKClick();

    QLabel *lblInfo = nullptr;
    QLineEdit *edtCurrent = nullptr;
    QLineEdit *edtPassword = nullptr;
    QLineEdit *edtConfirm = nullptr;
    QLabel *lblProblem = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

private:
    QString m_currentPassPhrase;
};

// Test seam: while a driver is queued, Execute hands it the dialog instead of
// showing it; the driver types and clicks on the dialog's widgets as the user
// would, and the dialog's result counts once the driver returns. With none
// queued, the unanswered handler, when one is set, is handed the dialog alike.
namespace ChangePassPhraseDlgSeam {
using TDriver = std::function<void(TChangePassPhraseDlg &dialog)>;
void setNextDrivers(const QList<TDriver> &drivers);
bool hasPendingDrivers();
// Returns the handler set before.
TDriver setUnansweredHandler(TDriver handler);
} // namespace ChangePassPhraseDlgSeam
