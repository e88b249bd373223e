#include "settings/ui/Options.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Paths.h"
#include "platform/SoundPlayer.h"
#include "settings/ui/ColorPicker.h"
#include "settings/ui/OptionsHost.h"
#include "settings/WindowsColor.h"
#include "spelling/SpellLanguageList.h"
#include "updates/HelpWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

namespace {
const QString unitOptions = QStringLiteral("Options");

struct TSeams {
    OptionsSeam::TDriver driver;
    std::optional<QString> openFileName;
    std::optional<QString> folder;
};

TSeams &seams()
{
    static TSeams queued;
    return queued;
}

template <class TWidget>
TWidget *named(TWidget *widget, const char *name, const QString &hint = {})
{
    widget->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

QPushButton *browseButton(QWidget *parent, const char *name, const QString &hint)
{
    auto *button = named(new QPushButton(QStringLiteral("..."), parent), name, hint);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    button->setAutoDefault(false);
    return button;
}

// Runs a handler as the dialog's own: a failure is reported and the dialog stays open.
template <class THandler>
void guarded(const char *method, THandler handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        ReportError({ unitOptions, QLatin1String(method), QString::fromStdString(error.what()) });
    }
}
} // namespace

void OptionsSeam::setNextDriver(TDriver driver) { seams().driver = std::move(driver); }

void OptionsSeam::setNextOpenFileName(const QString &path) { seams().openFileName = path; }

void OptionsSeam::setNextFolder(const QString &path) { seams().folder = path; }

bool OptionsSeam::hasPendingAnswers() { return seams().driver || seams().openFileName || seams().folder; }

TUpDown::TUpDown(QLineEdit *associate, int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_associate(associate), m_minimum(minimum), m_maximum(maximum), m_position(minimum)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const auto &[arrow, step] : { std::pair { Qt::UpArrow, 1 }, std::pair { Qt::DownArrow, -1 } }) {
        auto *button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        button->setFixedWidth(16);
        connect(button, &QToolButton::clicked, this, [this, delta = step] { SetPosition(m_position + delta); });
        layout->addWidget(button);
    }
}

void TUpDown::SetPosition(int position, bool writeAssociate)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
    if (writeAssociate && m_associate->text() != QString::number(m_position))
        m_associate->setText(QString::number(m_position));
}

TfrmOptions::TfrmOptions(TOptionsHost &main, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_main(main)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Tamsel Options"));
    setFont(QFont(QStringLiteral("Verdana"), 8));

    pgcOptions = named(new QTabWidget(this), "pgcOptions");
    pgcOptions->addTab(CreateActionsPage(), QStringLiteral("&Actions"));
    pgcOptions->addTab(CreateTasksPage(), QStringLiteral("&Tasks"));
    pgcOptions->addTab(CreateGeneralPage(), QStringLiteral("&General"));

    btnOK = named(new QPushButton(QStringLiteral("OK"), this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");
    Help = named(new QPushButton(QStringLiteral("&Help"), this), "Help");
    Help->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(Help);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pgcOptions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Help, &QPushButton::clicked, this, &TfrmOptions::HelpClick);

    connect(chkUseAlternateLocation, &QCheckBox::toggled, this, &TfrmOptions::chkUseAlternateLocationClick);
    connect(btnStorageDir, &QPushButton::clicked, this, &TfrmOptions::btnStorageDirClick);
    connect(edtBrindoLocation, &QLineEdit::textChanged, this, &TfrmOptions::edtBrindoLocationChange);
    connect(edtAlternateSound, &QLineEdit::textChanged, this, &TfrmOptions::edtBrindoLocationChange);
    connect(btnAlternateSound, &QPushButton::clicked, this, &TfrmOptions::btnAlternateSoundClick);
    connect(btnPlaySound, &QPushButton::clicked, this, &TfrmOptions::btnPlaySoundClick);
    connect(radDefaultSound, &QRadioButton::toggled, this, &TfrmOptions::radDefaultSoundClick);
    connect(radAlternateSound, &QRadioButton::toggled, this, &TfrmOptions::radDefaultSoundClick);
    connect(chkDisplayReminders, &QCheckBox::toggled, this, &TfrmOptions::chkDisplayRemindersClick);
    connect(chkPlaySound, &QCheckBox::toggled, this, &TfrmOptions::chkDisplayRemindersClick);
    for (QPushButton *button : { btnRegular, btnOverdue, btnComplete, btnNevermind })
        connect(button, &QPushButton::clicked, this, [this, button] { btnOverdueClick(button); });
    connect(edtSaveMinutes, &QLineEdit::textChanged, this, &TfrmOptions::edtSaveMinutesChange);
    connect(chkAutoSave, &QCheckBox::toggled, this, &TfrmOptions::chkAutoSaveClick);

    FormCreate();
}

QWidget *TfrmOptions::CreateActionsPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tabActions"));
    chkLoadNotesOnSearch = named(new QCheckBox(QStringLiteral("&Load Notes on Search"), page), "chkLoadNotesOnSearch",
        QStringLiteral("When a match is found, the corresponding note is loaded."));
    chkConfirmOnDelete = named(new QCheckBox(QStringLiteral("&Confirm on Delete"), page), "chkConfirmOnDelete",
        QStringLiteral("Prompts you to confirm when deleting notes and/or tasks."));
    chkAutoSave = named(new QCheckBox(QStringLiteral("Auto &Save Entries Every"), page), "chkAutoSave");
    edtSaveMinutes = named(new QLineEdit(page), "edtSaveMinutes");
    edtSaveMinutes->setMaxLength(2);
    // Only digits get in, typed or pasted.
    edtSaveMinutes->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), edtSaveMinutes));
    edtSaveMinutes->setFixedWidth(edtSaveMinutes->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    edtSaveMinutes->setAlignment(Qt::AlignRight);
    edtSaveMinutes->installEventFilter(this);
    updAutoSave = named(new TUpDown(edtSaveMinutes, 1, 60, page), "updAutoSave");
    updAutoSave->setFixedHeight(edtSaveMinutes->sizeHint().height());
    updAutoSave->SetPosition(15);
    lblMinute = named(new QLabel(QStringLiteral("Minutes"), page), "lblMinute");
    auto *autoSave = new QHBoxLayout;
    autoSave->setSpacing(2);
    autoSave->addWidget(chkAutoSave);
    autoSave->addSpacing(4);
    autoSave->addWidget(edtSaveMinutes);
    autoSave->addWidget(updAutoSave);
    autoSave->addSpacing(4);
    autoSave->addWidget(lblMinute);
    autoSave->addStretch();

    lblBackupCount = named(new QLabel(QStringLiteral("Daily &backups kept:"), page), "lblBackupCount");
    spnBackupCount = named(new QSpinBox(page), "spnBackupCount",
        QStringLiteral("How many of the daily backups of your entries are kept; 0 keeps none."));
    spnBackupCount->setRange(0, 9999);
    lblBackupCount->setBuddy(spnBackupCount);
    auto *backups = new QHBoxLayout;
    backups->addWidget(lblBackupCount);
    backups->addWidget(spnBackupCount);
    backups->addStretch();

    grpExternalFile = named(new QGroupBox(QStringLiteral("When Saving to External File..."), page), "grpExternalFile");
    radSaveTab = named(new QRadioButton(QStringLiteral("Save &only active tab items"), grpExternalFile), "radSaveTab");
    radSaveAll = named(new QRadioButton(QStringLiteral("Save all chec&ked items"), grpExternalFile), "radSaveAll");
    radSaveAll->setChecked(true);
    auto *saveLayout = new QVBoxLayout(grpExternalFile);
    saveLayout->addWidget(radSaveTab);
    saveLayout->addWidget(radSaveAll);

    GroupBox2 = named(new QGroupBox(QStringLiteral("When Printing..."), page), "GroupBox2");
    radPrintTab = named(new QRadioButton(QStringLiteral("&Print only active tab items"), GroupBox2), "radPrintTab");
    radPrintAll = named(new QRadioButton(QStringLiteral("Print all checked &items"), GroupBox2), "radPrintAll");
    radPrintAll->setChecked(true);
    auto *printLayout = new QVBoxLayout(GroupBox2);
    printLayout->addWidget(radPrintTab);
    printLayout->addWidget(radPrintAll);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(chkLoadNotesOnSearch);
    layout->addWidget(chkConfirmOnDelete);
    layout->addLayout(autoSave);
    layout->addLayout(backups);
    layout->addWidget(grpExternalFile);
    layout->addWidget(GroupBox2);
    layout->addStretch();
    return page;
}

QWidget *TfrmOptions::CreateTasksPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tabTasks"));

    grpReminderInfo = named(new QGroupBox(page), "grpReminderInfo");
    chkDisplayReminders = named(new QCheckBox(QStringLiteral("&Display Reminder Window"), page), "chkDisplayReminders",
        QStringLiteral("Displays a window with the task information when the deadline reminder date/time occurs."));
    chkReminderNotifications = named(
        new QCheckBox(QStringLiteral("Also &show reminders as desktop notifications"), grpReminderInfo),
        "chkReminderNotifications",
        QStringLiteral("While Tamsel is in the tray or minimized, reminders also appear in the desktop's "
                       "notifications; clicking one brings up the reminder window."));
    chkPlaySound = named(new QCheckBox(QStringLiteral("Play Sound &On Reminder"), grpReminderInfo), "chkPlaySound",
        QStringLiteral("Check this to play a sound when the reminder window is shown."));
    radDefaultSound = named(new QRadioButton(QStringLiteral("Default So&und"), grpReminderInfo), "radDefaultSound",
        QStringLiteral("Check this to hear a beep when a reminder occurs."));
    radAlternateSound = named(new QRadioButton(QStringLiteral("Alte&rnate Sound"), grpReminderInfo),
        "radAlternateSound", QStringLiteral("Check this to play the specified sound (.WAV file) below."));
    edtAlternateSound = named(new QLineEdit(grpReminderInfo), "edtAlternateSound");
    btnAlternateSound = browseButton(
        grpReminderInfo, "btnAlternateSound", QStringLiteral("Click this to browse for a specific sound (.WAV) file."));
    btnPlaySound = named(new QPushButton(grpReminderInfo), "btnPlaySound",
        QStringLiteral("Click this to hear the alternate sound file."));
    btnPlaySound->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    btnPlaySound->setAccessibleName(QStringLiteral("Play"));
    btnPlaySound->setAutoDefault(false);
    auto *soundFile = new QHBoxLayout;
    soundFile->addSpacing(20);
    soundFile->addWidget(edtAlternateSound, 1);
    soundFile->addWidget(btnAlternateSound);
    soundFile->addWidget(btnPlaySound);
    auto *reminderLayout = new QVBoxLayout(grpReminderInfo);
    reminderLayout->addWidget(chkReminderNotifications);
    reminderLayout->addWidget(chkPlaySound);
    auto *sounds = new QVBoxLayout;
    sounds->setContentsMargins(20, 0, 0, 0);
    sounds->addWidget(radDefaultSound);
    sounds->addWidget(radAlternateSound);
    reminderLayout->addLayout(sounds);
    reminderLayout->addLayout(soundFile);
    grpReminderInfo->installEventFilter(this);

    GroupBox1 = named(new QGroupBox(QStringLiteral(" Task Colors "), page), "GroupBox1");
    auto *colors = new QGridLayout(GroupBox1);
    int row = 0;
    const auto addColor = [&](const QString &caption, const QString &labelHint, const char *shapeName,
                              TColorSwatch *&shape, const char *buttonName, const QString &buttonHint,
                              const QColor &designColor) -> QPushButton * {
        auto *label = new QLabel(caption, GroupBox1);
        label->setToolTip(labelHint);
        shape = named(new TColorSwatch(GroupBox1), shapeName);
        shape->setColor(designColor);
        shape->setFixedSize(60, 20);
        QPushButton *button = browseButton(GroupBox1, buttonName, buttonHint);
        label->setBuddy(button);
        colors->addWidget(label, row, 0);
        colors->addWidget(shape, row, 1);
        colors->addWidget(button, row, 2);
        ++row;
        return button;
    };
    btnRegular = addColor(QStringLiteral("&Current:"), QStringLiteral("Tasks whose deadlines haven't occured."),
        "shpRegular", shpRegular, "btnRegular", QStringLiteral("Click this to browse for the Current task color."),
        Qt::black);
    btnOverdue = addColor(QStringLiteral("O&verdue:"), QStringLiteral("Tasks whose deadlines occur in the past."),
        "shpOverdue", shpOverdue, "btnOverdue", QStringLiteral("Click this to browse for the Overdue task color."),
        Qt::red);
    btnComplete = addColor(QStringLiteral("Co&mplete:"), QStringLiteral("Tasks that have been marked as complete."),
        "shpComplete", shpComplete, "btnComplete",
        QStringLiteral("Click this to browse for the Completed task color."), Qt::red);
    btnNevermind = addColor(QStringLiteral("&Nevermind:"),
        QStringLiteral("Indicates tasks that are overdue but should not trigger a reminder."), "shpNevermind",
        shpNevermind, "btnNevermind",
        QStringLiteral("Click this to browse for the color to use for tasks without reminders."),
        QColor(192, 192, 192));
    colors->setColumnStretch(3, 1);

    chkStrikeout = named(new QCheckBox(QStringLiteral("Stri&keout Completed Tasks"), page), "chkStrikeout",
        QStringLiteral("Check this to show completed tasks with lines drawn through them."));

    auto *layout = new QVBoxLayout(page);
    layout->addSpacing(chkDisplayReminders->sizeHint().height());
    layout->addWidget(grpReminderInfo);
    layout->addWidget(GroupBox1);
    layout->addWidget(chkStrikeout);
    layout->addStretch();
    chkDisplayReminders->raise();
    return page;
}

QWidget *TfrmOptions::CreateGeneralPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tabGeneral"));
    chkStartMinimized = named(new QCheckBox(QStringLiteral("Start &Minimized"), page), "chkStartMinimized",
        QStringLiteral("Tamsel is minimized to the tray when checked upon startup."));
    chkAutoStart = named(new QCheckBox(QStringLiteral("Start Tamsel &when I log in"), page), "chkAutoStart",
        QStringLiteral("When checked, Tamsel starts automatically whenever you log in to your desktop."));
    chkCheckUpdatesOnStartup = named(new QCheckBox(QStringLiteral("Check for &Updates on Startup"), page),
        "chkCheckUpdatesOnStartup",
        QStringLiteral("When checked, Tamsel will always see if there are updates whenever its launched."));
    chkCloseFromMenuOnly = named(new QCheckBox(QStringLiteral("C&lose from Menu Only"), page), "chkCloseFromMenuOnly",
        QStringLiteral("When checked, Tamsel can only be closed via the File or System menus."));
    chkUseAlternateLocation = named(new QCheckBox(QStringLiteral("Use Alternate Location for Note &Storage:"), page),
        "chkUseAlternateLocation", QStringLiteral("Check this to save your notes/tasks to an user-specified location."));
    edtBrindoLocation = named(new QLineEdit(page), "edtBrindoLocation");
    edtBrindoLocation->setMinimumWidth(300);
    btnStorageDir = browseButton(
        page, "btnStorageDir", QStringLiteral("Click this to select the alternate storage directory location."));
    auto *location = new QHBoxLayout;
    location->addSpacing(20);
    location->addWidget(edtBrindoLocation, 1);
    location->addWidget(btnStorageDir);

    chkSpellCheckSave = named(new QCheckBox(QStringLiteral("S&pell Check When Saving"), page), "chkSpellCheckSave",
        QStringLiteral("When checked, whenever you save a note or task, the title and body will automatically be "
                       "checked for spelling errors."));
    lblSpellCheck = named(new QLabel(QStringLiteral("Local La&nguage:"), page), "lblSpellCheck");
    cboSpellCheck = named(new QComboBox(page), "cboSpellCheck",
        QStringLiteral("Specify the language to be used when checking for spelling errors."));
    cboSpellCheck->setMinimumWidth(180);
    lblSpellCheck->setBuddy(cboSpellCheck);
    lblSpellingHint = named(new QLabel(page), "lblSpellingHint");
    lblSpellingHint->setWordWrap(true);
    lblSpellingHint->setEnabled(false);
    auto *language = new QHBoxLayout;
    language->addSpacing(20);
    language->addWidget(lblSpellCheck);
    language->addWidget(cboSpellCheck);
    language->addStretch();

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(chkStartMinimized);
    layout->addWidget(chkAutoStart);
    layout->addWidget(chkCheckUpdatesOnStartup);
    layout->addWidget(chkCloseFromMenuOnly);
    layout->addSpacing(6);
    layout->addWidget(chkUseAlternateLocation);
    layout->addLayout(location);
    layout->addSpacing(6);
    layout->addWidget(chkSpellCheckSave);
    layout->addLayout(language);
    layout->addWidget(lblSpellingHint);
    layout->addStretch();
    return page;
}

void TfrmOptions::FillSpellingLanguages(const QStringList &languages)
{
    cboSpellCheck->clear();
    cboSpellCheck->addItems(languages);
    // The language the checker uses is the one shown.
    cboSpellCheck->setCurrentIndex(languages.isEmpty() ? -1 : m_main.SpellLanguageRow());
    const bool available = !languages.isEmpty();
    for (QWidget *control : std::initializer_list<QWidget *> { chkSpellCheckSave, lblSpellCheck, cboSpellCheck })
        control->setEnabled(available);
    lblSpellingHint->setVisible(!available);
    lblSpellingHint->setText(available ? QString()
                                       : QStringLiteral("Spell checking is not available: no spelling "
                                                        "dictionary is installed."));
}

void TfrmOptions::FormCreate()
{
    try {
        pgcOptions->setCurrentIndex(0);

        chkStartMinimized->setChecked(m_main.StartMinimized);
        chkAutoStart->setChecked(m_main.AutoStartWithWindows);
        chkAutoSave->setChecked(m_main.AutoSave);
        updAutoSave->SetPosition(m_main.AutoSave ? m_main.AutoSaveAfterTime : 15);
        chkCheckUpdatesOnStartup->setChecked(m_main.CheckForUpdatesOnStartup);
        chkLoadNotesOnSearch->setChecked(m_main.LoadNotesOnSearch);
        chkCloseFromMenuOnly->setChecked(m_main.CloseOnMenuOnly);
        chkConfirmOnDelete->setChecked(m_main.ConfirmOnDelete);
        spnBackupCount->setValue(m_main.BackupCount);
        chkUseAlternateLocation->setChecked(m_main.UseAlternateLocation);
        edtBrindoLocation->setText(QDir::toNativeSeparators(m_main.AlternateLocation));
        chkUseAlternateLocationClick();
        LocationAtOpen = chkUseAlternateLocation->isChecked() ? m_main.AlternateLocation : m_main.TamselLocation;
        chkAutoStart->setEnabled(m_main.IsAdmin());

        // The same languages as the main window's list, bound to its checker.
        FillSpellingLanguages(m_main.SpellLanguages());
        chkSpellCheckSave->setChecked(m_main.CheckSpellingOnSave);
        (m_main.DefaultSaveSetting == 1 ? radSaveTab : radSaveAll)->setChecked(true);
        (m_main.DefaultPrintSetting == 1 ? radPrintTab : radPrintAll)->setChecked(true);

        shpRegular->setColor(ColorFromWindows(m_main.CurrentColor));
        shpComplete->setColor(ColorFromWindows(m_main.CompleteColor));
        shpOverdue->setColor(ColorFromWindows(m_main.OverdueColor));
        shpNevermind->setColor(ColorFromWindows(m_main.NevermindColor));
        chkDisplayReminders->setChecked(m_main.DisplayReminders);
        chkReminderNotifications->setChecked(m_main.ReminderNotifications);
        chkStrikeout->setChecked(m_main.StrikeoutComplete);
        chkPlaySound->setChecked(m_main.ReminderSoundInfo.PlaySoundOnReminder);
        (m_main.ReminderSoundInfo.UseDefaultSound ? radDefaultSound : radAlternateSound)->setChecked(true);
        edtAlternateSound->setText(m_main.ReminderSoundInfo.AlternateSound);
        radDefaultSoundClick();
        chkDisplayRemindersClick();
    } catch (const std::exception &error) {
        ReportError({ unitOptions, QStringLiteral("FormCreate"), QString::fromStdString(error.what()) });
    }
    btnOK->setEnabled(true);
}

int TfrmOptions::Execute()
{
    if (OptionsSeam::TDriver driver = std::exchange(seams().driver, {})) {
        setResult(driver(*this));
        return result();
    }
    return exec();
}

void TfrmOptions::chkUseAlternateLocationClick()
{
    guarded("chkUseAlternateLocationClick", [this] {
        const bool ticked = chkUseAlternateLocation->isChecked();
        edtBrindoLocation->setEnabled(ticked);
        btnStorageDir->setEnabled(ticked);
        edtBrindoLocationChange();
    });
}

void TfrmOptions::btnStorageDirClick()
{
    guarded("btnStorageDirClick", [this] {
        const QString folder = ChooseFolder(QStringLiteral("Select alternate file location..."),
            QDir::fromNativeSeparators(edtBrindoLocation->text()));
        if (!folder.isEmpty())
            edtBrindoLocation->setText(QDir::toNativeSeparators(QDir::cleanPath(folder)));
    });
}

void TfrmOptions::edtBrindoLocationChange()
{
    guarded("edtBrindoLocationChange", [this] {
        const bool locationValid = !chkUseAlternateLocation->isChecked()
                                   || (!edtBrindoLocation->text().isEmpty()
                                       && QFileInfo(QDir::fromNativeSeparators(edtBrindoLocation->text())).isDir());
        const bool soundExists = QFileInfo(edtAlternateSound->text()).isFile();
        const bool soundValid = !radAlternateSound->isChecked() || soundExists;
        btnOK->setEnabled(locationValid && soundValid);
        btnPlaySound->setEnabled(radAlternateSound->isChecked() && soundExists && chkPlaySound->isChecked());
    });
}

void TfrmOptions::btnAlternateSoundClick()
{
    guarded("btnAlternateSoundClick", [this] {
        const QString file = OpenFileName(QStringLiteral("Select alternate sound file location..."),
            QStringLiteral("WAV Files (*.wav);;All Files (*)"));
        if (!file.isEmpty())
            edtAlternateSound->setText(file);
    });
}

void TfrmOptions::btnPlaySoundClick()
{
    // A file that cannot be played is simply not heard.
    TSoundPlayer::current().playWav(edtAlternateSound->text());
}

void TfrmOptions::radDefaultSoundClick()
{
    const bool alternate = radAlternateSound->isChecked();
    edtAlternateSound->setEnabled(alternate);
    btnAlternateSound->setEnabled(alternate);
    chkDisplayRemindersClick();
    edtBrindoLocationChange();
}

void TfrmOptions::chkDisplayRemindersClick()
{
    chkReminderNotifications->setEnabled(chkDisplayReminders->isChecked());
    chkPlaySound->setEnabled(chkDisplayReminders->isChecked());
    const bool sound = chkPlaySound->isEnabled() && chkPlaySound->isChecked();
    radDefaultSound->setEnabled(sound);
    radAlternateSound->setEnabled(sound);
    edtAlternateSound->setEnabled(sound && radAlternateSound->isChecked());
    btnAlternateSound->setEnabled(sound && radAlternateSound->isChecked());
    edtBrindoLocationChange();
}

void TfrmOptions::btnOverdueClick(QPushButton *sender)
{
    TColorSwatch *shape = nullptr;
    QString which;
    if (sender == btnRegular) {
        shape = shpRegular;
        which = QStringLiteral("Current");
    } else if (sender == btnOverdue) {
        shape = shpOverdue;
        which = QStringLiteral("Overdue");
    } else if (sender == btnComplete) {
        shape = shpComplete;
        which = QStringLiteral("Completed");
    } else {
        shape = shpNevermind;
        which = QStringLiteral("Nevermind");
    }
    TfrmColorPicker picker(this);
    picker.setWindowTitle(QStringLiteral("Select \"%1\" Task Color").arg(which));
    picker.SetCurrentColor(shape->color());
    if (picker.Execute() == QDialog::Accepted)
        shape->setColor(picker.SelectedColor());
}

void TfrmOptions::edtSaveMinutesChange()
{
    if (edtSaveMinutes->text().isEmpty()) {
        // Writing "1" runs this handler again.
        edtSaveMinutes->setText(QStringLiteral("1"));
        return;
    }
    updAutoSave->SetPosition(edtSaveMinutes->text().toInt(), false);
    lblMinute->setText(updAutoSave->Position() == 1 ? QStringLiteral("Minute") : QStringLiteral("Minutes"));
}

void TfrmOptions::edtSaveMinutesKeyUp()
{
    if (edtSaveMinutes->text().isEmpty())
        edtSaveMinutes->setText(QStringLiteral("1"));
    if (edtSaveMinutes->text().toInt() > 60)
        updAutoSave->SetPosition(60);
}

void TfrmOptions::chkAutoSaveClick()
{
    // Autosave every 0 minutes cannot be asked for.
    if (chkAutoSave->isChecked() && edtSaveMinutes->text() == QLatin1String("0"))
        chkAutoSave->setChecked(false);
}

bool TfrmOptions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtSaveMinutes) {
        if (event->type() == QEvent::KeyRelease)
            edtSaveMinutesKeyUp();
        else if (event->type() == QEvent::KeyPress) {
            // The up and down keys step the minutes as the arrows beside them do.
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                updAutoSave->SetPosition(updAutoSave->Position() + (key == Qt::Key_Up ? 1 : -1));
                return true;
            }
        }
    } else if (watched == grpReminderInfo && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        PlaceDisplayRemindersOnGroup();
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmOptions::PlaceDisplayRemindersOnGroup()
{
    // The box is the group's title: where this style draws the titles of
    // group boxes, just above their frame.
    chkDisplayReminders->adjustSize();
    chkDisplayReminders->move(grpReminderInfo->x(), grpReminderInfo->y() - chkDisplayReminders->height());
}

void TfrmOptions::HelpClick() { TfrmHelp::ShowTopic(TfrmHelp::optionsTopic); }

QString TfrmOptions::OpenFileName(const QString &title, const QString &filter)
{
    if (std::optional<QString> answer = std::exchange(seams().openFileName, std::nullopt))
        return *answer;
    QFileDialog dialog(this, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
}

QString TfrmOptions::ChooseFolder(const QString &title, const QString &start)
{
    if (std::optional<QString> answer = std::exchange(seams().folder, std::nullopt))
        return *answer;
    QFileDialog dialog(this, title, QFileInfo(start).isDir() ? start : QString());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
}

bool TfrmOptions::TakeOverSettings()
{
    try {
        m_main.CloseOnMenuOnly = chkCloseFromMenuOnly->isChecked();
        m_main.StartMinimized = chkStartMinimized->isChecked();
        m_main.AutoSave = chkAutoSave->isChecked();
        m_main.AutoSaveAfterTime = m_main.AutoSave ? updAutoSave->Position() : 15;
        m_main.AutoSaveChanged();
        m_main.CheckForUpdatesOnStartup = chkCheckUpdatesOnStartup->isChecked();
        m_main.LoadNotesOnSearch = chkLoadNotesOnSearch->isChecked();
        m_main.ConfirmOnDelete = chkConfirmOnDelete->isChecked();
        m_main.BackupCount = spnBackupCount->value();
        m_main.DefaultSaveSetting = radSaveTab->isChecked() ? 1 : 2;
        m_main.DefaultPrintSetting = radPrintTab->isChecked() ? 1 : 2;
        // The language list is there only while a dictionary is; the
        // language in use stays unless another is chosen.
        if (cboSpellCheck->isEnabled() && cboSpellCheck->currentIndex() >= 0
            && cboSpellCheck->currentIndex() != m_main.SpellLanguageRow())
            m_main.ChooseSpellLanguage(cboSpellCheck->currentIndex());
        m_main.CheckSpellingOnSave = chkSpellCheckSave->isChecked();

        m_main.CurrentColor = WindowsFromColor(shpRegular->color());
        m_main.CompleteColor = WindowsFromColor(shpComplete->color());
        m_main.OverdueColor = WindowsFromColor(shpOverdue->color());
        m_main.NevermindColor = WindowsFromColor(shpNevermind->color());
        m_main.DisplayReminders = chkDisplayReminders->isChecked();
        m_main.ReminderNotifications = chkReminderNotifications->isChecked();
        m_main.StrikeoutComplete = chkStrikeout->isChecked();
        m_main.ReminderSoundInfo.PlaySoundOnReminder = chkPlaySound->isChecked();
        m_main.ReminderSoundInfo.UseDefaultSound = radDefaultSound->isChecked();
        m_main.ReminderSoundInfo.AlternateSound = edtAlternateSound->text();
        m_main.TaskLookChanged();

        const bool was = m_main.UseAlternateLocation;
        const bool now = chkUseAlternateLocation->isChecked();
        const QString chosen = Paths::withTrailingDelimiter(QDir::fromNativeSeparators(edtBrindoLocation->text()));
        if (now && (!was || chosen != Paths::withTrailingDelimiter(LocationAtOpen))) {
            if (!m_main.MoveStorage(chosen, [&] {
                    m_main.AlternateLocation = chosen;
                    m_main.UseAlternateLocation = true;
                }))
                return false;
        } else if (was && !now) {
            if (!m_main.MoveStorage(m_main.TamselLocation, [&] { m_main.UseAlternateLocation = false; }))
                return false;
        } else if (now) {
            m_main.AlternateLocation = chosen;
        }

        // A start-up entry that could not be written leaves the setting off,
        // so the next OK tries again.
        if (m_main.AutoStartWithWindows && !chkAutoStart->isChecked()) {
            m_main.DeleteStartupShortcut();
            m_main.AutoStartWithWindows = false;
        } else if (!m_main.AutoStartWithWindows && chkAutoStart->isChecked()) {
            m_main.AutoStartWithWindows = m_main.CreateStartupShortcut();
        }
        return m_main.AutoStartWithWindows == chkAutoStart->isChecked();
    } catch (const std::exception &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("mnuOptionsClick"), QString::fromStdString(error.what()) });
        return false;
    }
}
