#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// Watches a download: told of its progress, and asks for it to stop.
class TDownloadProgress : public QObject {
    Q_OBJECT

public:
    // The bytes received so far and the whole size (-1 while unknown).
    virtual void Progressed(qint64 received, qint64 total) = 0;

signals:
    void StopRequested();
};

// The maker's web host as the update check sees it: its addresses, whether it
// answers, and downloads from it. No user interface; the caller tells the user.
class TUpdateServer {
public:
    // The host, with ":port" when it is not 80, as the registry value
    // "UpdateHost" of the settings key names it; the maker's host without one.
    static QString ConfiguredHost();
    static constexpr const char *makersHost = "tamsel.example.org";

    explicit TUpdateServer(const QString &host = ConfiguredHost());

    QUrl VersionInfoUrl() const;
    QUrl InstallerUrl(const QString &fileName) const;
    QUrl ProductPageUrl() const;

    // True when the host accepts a connection on its web port within five
    // seconds; false when it refuses, cannot be reached or stays silent.
    // Throws ETamselError when the host name cannot be resolved.
    bool Answers() const;

    enum class TDownload { Done, Stopped };
    // Downloads the URL into the file at the path, replacing an existing file
    // only once the whole download is in: a failed or stopped download leaves
    // the path as it was. Throws ETamselError when the download fails.
    TDownload Download(const QUrl &url, const QString &path, TDownloadProgress *progress = nullptr) const;

private:
    QUrl urlOf(const QString &path) const;

    QString m_hostName;
    int m_port = 80;
};
