#include "updates/UpdateCheck.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/MessageDlg.h"
#include "diagnostics/SendEMailMessage.h"
#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "store/XmlDocument.h"
#include "updates/UpdateServer.h"
#include "updates/VerInfo.h"
#include "updates/VersionCheck.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QUrl>
#include <memory>

namespace {
const QString crlf = QStringLiteral("\r\n");

// A pointer shape over the whole program while it lives.
class TPointer {
public:
    explicit TPointer(Qt::CursorShape shape, bool shown = true)
        : m_shown(shown)
    {
        if (m_shown)
            QApplication::setOverrideCursor(shape);
    }
    ~TPointer()
    {
        if (m_shown)
            QApplication::restoreOverrideCursor();
    }
    TPointer(const TPointer &) = delete;
    TPointer &operator=(const TPointer &) = delete;

private:
    bool m_shown;
};

// Questions and reports show the normal pointer, also while the check is busy.
int ask(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons)
{
    const TPointer arrow(Qt::ArrowCursor);
    return MessageDlg(message, type, buttons);
}

void report(const char *unit, const char *method, const QString &message)
{
    const TPointer arrow(Qt::ArrowCursor);
    ReportError({ QLatin1String(unit), QLatin1String(method), message });
}

// The progress of a download the user watches, with Cancel to stop it.
class TProgressBar : public TDownloadProgress {
public:
    TProgressBar(const QString &fileName, QWidget *owner)
    {
        m_dialog = std::make_unique<QProgressDialog>(
            QStringLiteral("Downloading %1...").arg(fileName), QStringLiteral("Cancel"), 0, 0, owner);
        m_dialog->setWindowTitle(QStringLiteral("Tamsel"));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(0);
        connect(m_dialog.get(), &QProgressDialog::canceled, this, &TDownloadProgress::StopRequested);
    }

    void Progressed(qint64 received, qint64 total) override
    {
        // Whole kilobytes keep the bar within the range of an int.
        if (total > 0)
            m_dialog->setMaximum(int(total / 1024) + 1);
        m_dialog->setValue(int(received / 1024));
    }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

// Reads the downloaded update information and deletes the file, so that it is
// never left behind, whatever the document holds.
TXMLTamselType takeVersionInfo(const QString &path)
{
    TXmlDocument document;
    std::optional<ETamselError> unreadable;
    try {
        document.LoadFromFile(path);
    } catch (const ETamselError &error) {
        unreadable = error;
    }
    QFile file(path);
    if (!file.remove())
        throw ETamselError(QStringLiteral("%1 could not be deleted: %2").arg(path, file.errorString()));
    if (unreadable)
        throw *unreadable;
    return TXMLVerInfoType::Tamsel(document);
}

// The save dialog's folder: the program's folder is no place for downloads on
// this system, so the user's download folder is offered.
QString downloadFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

// What the update information names can be installed here only when it is a
// Debian package; anything else (a Windows installer) is never downloaded.
bool namesPackage(const TXMLTamselType &listed)
{
    return listed.FileName.endsWith(QLatin1String(".deb"), Qt::CaseInsensitive);
}

void offerPackage(const TUpdateServer &server, const TXMLTamselType &listed, QWidget *owner)
{
    const QString fileName = listed.InstallerName();
    // The user chooses and watches from here on.
    const TPointer arrow(Qt::ArrowCursor);
    QCoreApplication::processEvents();
    const std::optional<QString> path = ChooseInstallerPath(downloadFolder(), fileName, owner);
    if (!path)
        return;
    switch (UpdateCheck::Download_HTM(server, server.InstallerUrl(fileName), *path, owner)) {
    case UpdateCheck::TDownloadResult::Downloaded:
        ask(QStringLiteral("Please exit Tamsel and install the package with your package manager.  The file ") + crlf
                + QStringLiteral("can be found in the following location:") + crlf + crlf
                + QDir::toNativeSeparators(*path),
            TMsgDlgType::Information, mbOK);
        break;
    case UpdateCheck::TDownloadResult::Failed:
        if (ask(QStringLiteral("The file was unable to be downloaded.  Would you like to go to the") + crlf
                    + QStringLiteral("Kestrine site and download it yourself?"),
                TMsgDlgType::Confirmation, mbYes | mbNo)
            == mrYes)
            UpdateCheck::LaunchWebsite(server.ProductPageUrl().toString());
        break;
    case UpdateCheck::TDownloadResult::Stopped:
        break;
    }
}

// What the check says when it fails unexpectedly. Returns false when the user
// asked not to check at start-up any more.
bool reportCheckFailure(const QString &reason, bool starting)
{
    LogError({ QStringLiteral("Main"), QStringLiteral("CheckforUpdatesNow1Click"), reason });
    QString message = QStringLiteral("An error occurred when attempting to check for a more recent version.");
    if (!starting) {
        ask(message + crlf + crlf + reason, TMsgDlgType::Warning, mbOK);
        return true;
    }
    message += crlf + QStringLiteral("Do you want to continue to check on startup?");
    if (ask(message, TMsgDlgType::Warning, mbYes | mbNo) != mrYes)
        return false;
    message += crlf + QStringLiteral("Would you like to report the error via e-mail?");
    if (ask(message, TMsgDlgType::Warning, mbYes | mbNo) == mrYes) {
        const QString br = QStringLiteral("%0D%0A");
        const QString tab = QStringLiteral("%09");
        SendEMailMessage(FeedbackAddress, QStringLiteral("Tamsel Error Submission"),
            QStringLiteral("Procedure:") + tab + QStringLiteral("mnuCheckforUpdatesClick") + br
                + QStringLiteral("Error Message:") + tab
                + QString::fromLatin1(QUrl::toPercentEncoding(reason)) + br + QStringLiteral("Version No.:")
                + tab + VersionCheck::ProgramVersion() + br + br
                + QStringLiteral("Please provide additional details as to what you were doing")
                + QStringLiteral(" that might assist in resolving this issue."));
    }
    return true;
}
} // namespace

QString UpdateCheck::VersionInfoPath() { return Paths::dataFolder() + QStringLiteral("/verinfo.xml"); }

bool UpdateCheck::Run(const TUpdateServer &server, bool starting, QWidget *owner)
{
    const TPointer busy(Qt::WaitCursor, !starting);
    const QString path = VersionInfoPath();
    try {
        if (Download_HTM(server, server.VersionInfoUrl(), path) != TDownloadResult::Downloaded)
            return true;
        if (!QFileInfo::exists(path)) {
            ask(QStringLiteral("Unable to access the version information for Tamsel.  Please ") + crlf
                    + QStringLiteral("be sure an Internet connection exists."),
                TMsgDlgType::Warning, mbOK);
            return true;
        }
        const TXMLTamselType listed = takeVersionInfo(path);
        if (NewerVersionExists(listed.CurrVersion)) {
            const QString available = QStringLiteral("A newer version of Tamsel is available.") + crlf + crlf
                + QStringLiteral("     Version: \t") + listed.CurrVersion + crlf;
            const QString dated = QStringLiteral("     File Date: \t") + listed.DateText() + crlf + crlf;
            if (namesPackage(listed)) {
                const QString question = available + QStringLiteral("     File Size: \t") + listed.Size + crlf
                    + dated + QStringLiteral("Would you like to download it now?");
                if (ask(question, TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes)
                    offerPackage(server, listed, owner);
            } else {
                // The file listed is no package for this system: its size
                // says nothing, and the web site has what can be installed.
                const QString question
                    = available + dated + QStringLiteral("Would you like to go to the Tamsel web site to get it?");
                if (ask(question, TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes)
                    LaunchWebsite(server.ProductPageUrl().toString());
            }
        } else if (!starting) {
            ask(QStringLiteral("This is the most recent version of Tamsel."), TMsgDlgType::Information, mbOK);
        }
        return true;
    } catch (const std::exception &error) {
        QFile::remove(path);
        const auto *own = dynamic_cast<const ETamselError *>(&error);
        return reportCheckFailure(own ? own->message() : QString::fromLocal8Bit(error.what()), starting);
    }
}

UpdateCheck::TDownloadResult UpdateCheck::Download_HTM(
    const TUpdateServer &server, const QUrl &url, const QString &path, QWidget *progressOwner)
{
    if (!InternetConnectionExists(server))
        return TDownloadResult::Failed;
    try {
        std::optional<TProgressBar> progress;
        if (progressOwner)
            progress.emplace(url.fileName(), progressOwner);
        if (server.Download(url, path, progress ? &*progress : nullptr) == TUpdateServer::TDownload::Stopped)
            return TDownloadResult::Stopped;
        return TDownloadResult::Downloaded;
    } catch (const ETamselError &error) {
        report("Options", "Download_HTM", error.message());
        return TDownloadResult::Failed;
    }
}

bool UpdateCheck::InternetConnectionExists(const TUpdateServer &server)
{
    try {
        if (server.Answers())
            return true;
        ask(QStringLiteral("The update information for Tamsel is currently unavailable.  Make") + crlf
                + QStringLiteral("sure you have an active Internet connection before checking for updates."),
            TMsgDlgType::Information, mbOK);
    } catch (const ETamselError &error) {
        report("Options", "Download_HTM", error.message());
    }
    return false;
}

bool UpdateCheck::NewerVersionExists(const QString &listed)
{
    try {
        return VersionCheck::IsNewer(listed, VersionCheck::ProgramVersion());
    } catch (const ETamselError &error) {
        report("Main", "NewerVersionExists", error.message());
        return false;
    }
}

void UpdateCheck::LaunchWebsite(const QString &url)
{
    try {
        if (TUrlOpener::current().open(QUrl(url)))
            return;
        QApplication::beep();
        ask(QStringLiteral("No web browser could be started to open %1.").arg(url), TMsgDlgType::Custom,
            mbOK);
    } catch (const ETamselError &error) {
        report("Main", "LaunchWebsite", error.message());
    }
}

namespace {
QList<std::optional<QString>> &queuedPaths()
{
    static QList<std::optional<QString>> paths;
    return paths;
}
QStringList &proposedPaths()
{
    static QStringList paths;
    return paths;
}
} // namespace

std::optional<QString> ChooseInstallerPath(const QString &folder, const QString &fileName, QWidget *parent)
{
    const QString proposal = QDir(folder).filePath(fileName);
    if (!queuedPaths().isEmpty()) {
        proposedPaths().append(proposal);
        return queuedPaths().takeFirst();
    }
    const QString packages = QStringLiteral("Debian Packages (*.deb)");
    const QString everything = QStringLiteral("All Files (*)");
    QString filter = fileName.endsWith(QLatin1String(".deb"), Qt::CaseInsensitive) ? packages : everything;
    const QString chosen = QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), proposal,
        packages + QStringLiteral(";;") + everything, &filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void InstallerPathSeam::setNextChoices(const QList<std::optional<QString>> &choices)
{
    queuedPaths() = choices;
}

QStringList InstallerPathSeam::takeProposals() { return std::exchange(proposedPaths(), {}); }
