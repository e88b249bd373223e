#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

enum class TClaimResult {
    // This instance may run.
    Claimed,
    // Another instance of the same path runs and was asked to come forward.
    HandedOver,
    // Neither: FailureMessage() says why, in words for the user.
    Failed,
};

// Lets one instance run per program path. The first instance holds a lock
// file and listens on a local socket named after the path; a later start
// asks it to show its window and then ends. The lock makes two starts at the
// same moment unable to both pass.
class TadpInstanceControl : public QObject
{
    Q_OBJECT

public:
    explicit TadpInstanceControl(const QString &programPath, QObject *parent = nullptr);
    ~TadpInstanceControl() override;

    TClaimResult Claim();
    const QString &FailureMessage() const { return m_failure; }

    static QString NameFor(const QString &programPath);

signals:
    // Another start of the same program asked this instance to show itself.
    void ActivationRequested();

private:
    bool askRunningInstance() const;

    QString m_name;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    QString m_failure;
};
