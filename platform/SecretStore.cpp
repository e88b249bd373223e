#include "platform/SecretStore.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {
struct TJobOutcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString text;
};

// Runs the job to its end or to the time limit. A job still running when the
// limit passes deletes itself when it ends; nothing here waits for it.
TJobOutcome runJob(QKeychain::Job *job, std::chrono::milliseconds timeLimit)
{
    TJobOutcome outcome;
    QEventLoop loop;
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job *) {
        outcome.finished = true;
        outcome.error = job->error();
        outcome.errorText = job->errorString();
        if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(job); read && outcome.error == QKeychain::NoError)
            outcome.text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(timeLimit, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome.finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

QString failureText(const TJobOutcome &outcome, std::chrono::milliseconds timeLimit)
{
    if (!outcome.finished)
        return QStringLiteral("The desktop's keyring did not answer within %1 seconds.")
            .arg(std::chrono::duration_cast<std::chrono::seconds>(timeLimit).count());
    if (outcome.errorText.isEmpty())
        return QStringLiteral("The desktop's keyring refused (error %1).").arg(int(outcome.error));
    return QStringLiteral("The desktop's keyring reported: ") + outcome.errorText;
}

TSecretStore *replacement = nullptr;
} // namespace

TKeychainSecretStore::TKeychainSecretStore(const QString &service, std::chrono::milliseconds timeLimit)
    : m_service(service)
    , m_timeLimit(timeLimit)
{
}

TSecretRead TKeychainSecretStore::Read(const QString &key)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(key);
    const TJobOutcome outcome = runJob(job, m_timeLimit);
    if (outcome.finished && outcome.error == QKeychain::NoError)
        return {TSecretResult::Done, outcome.text, {}};
    if (outcome.finished && outcome.error == QKeychain::EntryNotFound)
        return {TSecretResult::NotFound, {}, {}};
    return {TSecretResult::Failed, {}, failureText(outcome, m_timeLimit)};
}

TSecretWrite TKeychainSecretStore::Write(const QString &key, const QString &secret)
{
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(key);
    job->setTextData(secret);
    const TJobOutcome outcome = runJob(job, m_timeLimit);
    if (outcome.finished && outcome.error == QKeychain::NoError)
        return {TSecretResult::Done, {}};
    return {TSecretResult::Failed, failureText(outcome, m_timeLimit)};
}

namespace SecretStore {

TSecretStore &Current()
{
    static TKeychainSecretStore desktop;
    return replacement ? *replacement : desktop;
}

void Use(TSecretStore *store)
{
    replacement = store;
}

} // namespace SecretStore
