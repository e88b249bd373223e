#pragma once

#include <QDialog>
#include <QSpinBox>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TColorSwatch;
class TOptionsHost;

// An edit's up-down arrows: a position within a range, written into the edit
// it is coupled to.
class TUpDown : public QWidget {
    Q_OBJECT

public:
    TUpDown(QLineEdit *associate, int minimum, int maximum, QWidget *parent = nullptr);
    int Position() const { return m_position; }
    // Clamps to the range; writes the position into the edit unless told not to.
    void SetPosition(int position, bool writeAssociate = true);

private:
    QLineEdit *m_associate;
    int m_minimum;
    int m_maximum;
    int m_position;
};

// The options dialog: the settings the user may change, on three pages. It
// works on copies in its controls; TakeOverSettings copies them back into the
// window that opened it (the main window) and applies them.
class TfrmOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfrmOptions(TOptionsHost &main, QWidget *parent = nullptr);

    // Shows the dialog modally; its result (Accepted or Rejected).
    int Execute();
    // OK: the settings into the main window's fields, applied at once. False
    // when a step failed (reported); the steps after it are not done.
    bool TakeOverSettings();

    // The spelling languages offered. Without any, the spelling controls stay
    // disabled and say why.
    void FillSpellingLanguages(const QStringList &languages);

    void FormCreate();
    void chkUseAlternateLocationClick();
    void btnStorageDirClick();
    void edtBrindoLocationChange();
    void btnAlternateSoundClick();
    void btnPlaySoundClick();
    void radDefaultSoundClick();
    void chkDisplayRemindersClick();
    void btnOverdueClick(QPushButton *sender);
    void edtSaveMinutesChange();
    void edtSaveMinutesKeyUp();
    void chkAutoSaveClick();
    void HelpClick();

    // The storage folder in effect when the dialog opened.
    QString LocationAtOpen;

    QTabWidget *pgcOptions = nullptr;
    // "Actions"
    QCheckBox *chkLoadNotesOnSearch = nullptr;
    QCheckBox *chkConfirmOnDelete = nullptr;
    QCheckBox *chkAutoSave = nullptr;
    QLineEdit *edtSaveMinutes = nullptr;
    TUpDown *updAutoSave = nullptr;
    QLabel *lblMinute = nullptr;
    // Daily backups of the store kept (BackupCount); 0 keeps none.
    QLabel *lblBackupCount = nullptr;
    QSpinBox *spnBackupCount = nullptr;
    QGroupBox *grpExternalFile = nullptr;
    QRadioButton *radSaveTab = nullptr;
    QRadioButton *radSaveAll = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QRadioButton *radPrintTab = nullptr;
    QRadioButton *radPrintAll = nullptr;
    // "Tasks"
    QGroupBox *grpReminderInfo = nullptr;
    QCheckBox *chkDisplayReminders = nullptr;
    QCheckBox *chkReminderNotifications = nullptr;
    QCheckBox *chkPlaySound = nullptr;
    QRadioButton *radDefaultSound = nullptr;
    QRadioButton *radAlternateSound = nullptr;
    QLineEdit *edtAlternateSound = nullptr;
    QPushButton *btnAlternateSound = nullptr;
    QPushButton *btnPlaySound = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    TColorSwatch *shpRegular = nullptr;
    QPushButton *btnRegular = nullptr;
    TColorSwatch *shpOverdue = nullptr;
    QPushButton *btnOverdue = nullptr;
    TColorSwatch *shpComplete = nullptr;
    QPushButton *btnComplete = nullptr;
    TColorSwatch *shpNevermind = nullptr;
    QPushButton *btnNevermind = nullptr;
    QCheckBox *chkStrikeout = nullptr;
    // "General"
    QCheckBox *chkStartMinimized = nullptr;
    QCheckBox *chkAutoStart = nullptr;
    QCheckBox *chkCheckUpdatesOnStartup = nullptr;
    QCheckBox *chkCloseFromMenuOnly = nullptr;
    QCheckBox *chkUseAlternateLocation = nullptr;
    QLineEdit *edtBrindoLocation = nullptr;
    QPushButton *btnStorageDir = nullptr;
    QCheckBox *chkSpellCheckSave = nullptr;
    QLabel *lblSpellCheck = nullptr;
    QComboBox *cboSpellCheck = nullptr;
    QLabel *lblSpellingHint = nullptr;

    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *Help = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *CreateActionsPage();
    QWidget *CreateTasksPage();
    QWidget *CreateGeneralPage();
    void PlaceDisplayRemindersOnGroup();
    // The open-file dialog of the sound file's browse button; empty when cancelled.
    QString OpenFileName(const QString &title, const QString &filter);
    // The folder dialog of the storage folder's browse button, opened on
    // `start` where that is a folder; empty when cancelled.
    QString ChooseFolder(const QString &title, const QString &start);

    TOptionsHost &m_main;
};

// Test seams: while an answer is queued, the dialog is not shown modally.
namespace OptionsSeam {
// Execute runs the driver on the dialog, which acts as the user would and
// returns the dialog's result.
using TDriver = std::function<int(TfrmOptions &)>;
void setNextDriver(TDriver driver);
// The next open-file dialog of the options returns this path (empty: Cancel).
void setNextOpenFileName(const QString &path);
// The next folder dialog of the options returns this folder (empty: Cancel).
void setNextFolder(const QString &path);
bool hasPendingAnswers();
} // namespace OptionsSeam
