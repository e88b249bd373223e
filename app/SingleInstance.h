#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

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

    // True when this instance may run; false when another instance of the
    // same path runs and was asked to come forward.
    bool Claim();

    static QString NameFor(const QString &programPath);

signals:
    // Another start of the same program asked this instance to show itself.
    void ActivationRequested();

private:
    bool askRunningInstance() const;

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};
