#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;
class TUpdateServer;

// The check for a newer version on the maker's web host and the download of
// its package; a release listed with anything but a Debian package is offered
// as the product page. Every message goes through MessageDlg.
namespace UpdateCheck {

// Runs the check. The start-up check (`starting`) shows no busy pointer and
// says nothing when this version is the latest. Returns false when the user
// asked not to check at start-up any more.
bool Run(const TUpdateServer &server, bool starting, QWidget *owner);

// Where the update information is downloaded to; it is deleted after use.
QString VersionInfoPath();

enum class TDownloadResult { Downloaded, Failed, Stopped };
// Downloads the URL into the file at the path (replacing it) once the host
// answers; a failure is reported. With a progress owner, a progress bar
// shows the download and its Cancel button stops it.
TDownloadResult Download_HTM(
    const TUpdateServer &server, const QUrl &url, const QString &path, QWidget *progressOwner = nullptr);
// Whether the host answers within five seconds; tells the user when not.
bool InternetConnectionExists(const TUpdateServer &server);
// Whether the listed version is newer than this program; an unreadable
// version is reported and counts as not newer.
bool NewerVersionExists(const QString &listed);
// Opens the address with the desktop's web browser; tells the user when none starts.
void LaunchWebsite(const QString &url);

} // namespace UpdateCheck

// The save dialog for the package, starting in the folder with the file
// name proposed. No value when the user cancels.
std::optional<QString> ChooseInstallerPath(const QString &folder, const QString &fileName, QWidget *parent);

// Test seam: while choices are queued, ChooseInstallerPath shows no dialog and
// returns the next one (no value: cancelled), recording the proposed path.
namespace InstallerPathSeam {
void setNextChoices(const QList<std::optional<QString>> &choices);
// Folder and file name proposed since the last take, joined, oldest first.
QStringList takeProposals();
} // namespace InstallerPathSeam
