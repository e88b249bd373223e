#include "platform/SecretStore.h"

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {
struct TJobOutcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString text;
};

// What a finished job says.
TJobOutcome outcomeOf(QKeychain::Job *job)
{
    TJobOutcome outcome;
    outcome.finished = true;
    outcome.error = job->error();
    outcome.errorText = job->errorString();
    if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(job); read && outcome.error == QKeychain::NoError)
        outcome.text = read->textData();
    return outcome;
}

// Runs the job to its end or to the time limit. A job still running when the
// limit passes deletes itself when it ends; nothing here waits for it.
TJobOutcome runJob(QKeychain::Job *job, std::chrono::milliseconds timeLimit)
{
    TJobOutcome outcome;
    QEventLoop loop;
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job *) {
        outcome = outcomeOf(job);
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

TSecretRead readResult(const TJobOutcome &outcome, std::chrono::milliseconds timeLimit)
{
    if (outcome.finished && outcome.error == QKeychain::NoError)
        return {TSecretResult::Done, outcome.text, {}};
    if (outcome.finished && outcome.error == QKeychain::EntryNotFound)
        return {TSecretResult::NotFound, {}, {}};
    return {TSecretResult::Failed, {}, failureText(outcome, timeLimit)};
}

TSecretStore *replacement = nullptr;
} // namespace

QString TSecretStore::Keep(const QString &key, const QString &secret)
{
    const TSecretWrite written = Write(key, secret);
    if (written.result != TSecretResult::Done)
        return written.detail;
    return ReadBackFailure(Read(key), secret);
}

void TSecretStore::KeepLater(const QString &key, const QString &secret, QObject *context, KeptFunction kept)
{
    QTimer::singleShot(0, context, [this, key, secret, kept = std::move(kept)] { kept(Keep(key, secret)); });
}

QString TSecretStore::ReadBackFailure(const TSecretRead &readBack, const QString &secret)
{
    if (readBack.result != TSecretResult::Done)
        return readBack.detail.isEmpty() ? QStringLiteral("The keyring lost the password as soon as it was stored.")
                                         : readBack.detail;
    if (readBack.secret != secret)
        return QStringLiteral("The keyring gave back another password than the one stored.");
    return {};
}

TKeychainSecretStore::TKeychainSecretStore(const QString &service, std::chrono::milliseconds timeLimit)
    : m_service(service)
    , m_timeLimit(timeLimit)
{
}

TSecretRead TKeychainSecretStore::Read(const QString &key)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(key);
    return readResult(runJob(job, m_timeLimit), m_timeLimit);
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

void TKeychainSecretStore::KeepLater(const QString &key, const QString &secret, QObject *context, KeptFunction kept)
{
    // The time limit's timer is the step's lifetime: the first answer (or
    // the limit) ends it, and what the jobs say after that goes nowhere.
    auto *limit = new QTimer(context);
    limit->setSingleShot(true);
    const std::chrono::milliseconds timeLimit = m_timeLimit;
    const auto answered = std::make_shared<bool>(false);
    const auto finish = [limit, answered, kept = std::move(kept)](const QString &failure) {
        if (*answered)
            return;
        *answered = true;
        limit->stop();
        limit->deleteLater();
        kept(failure);
    };
    QObject::connect(limit, &QTimer::timeout, limit, [finish, timeLimit] { finish(failureText({}, timeLimit)); });
    auto *write = new QKeychain::WritePasswordJob(m_service);
    write->setAutoDelete(true);
    write->setInsecureFallback(false);
    write->setKey(key);
    write->setTextData(secret);
    const QString service = m_service;
    QObject::connect(write, &QKeychain::Job::finished, limit, [=](QKeychain::Job *job) {
        const TJobOutcome written = outcomeOf(job);
        if (written.error != QKeychain::NoError) {
            finish(failureText(written, timeLimit));
            return;
        }
        auto *read = new QKeychain::ReadPasswordJob(service);
        read->setAutoDelete(true);
        read->setInsecureFallback(false);
        read->setKey(key);
        QObject::connect(read, &QKeychain::Job::finished, limit, [=](QKeychain::Job *readJob) {
            finish(ReadBackFailure(readResult(outcomeOf(readJob), timeLimit), secret));
        });
        read->start();
    });
    limit->start(timeLimit);
    write->start();
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
