// Linked into every test: the keyring double is the program's keyring.
#include "tests/FakeSecretStore.h"

#include <QCoreApplication>

namespace {
const QString noService = QStringLiteral("No keyring service answered on the session bus.");
const QString noAnswer = QStringLiteral("The desktop's keyring did not answer within 20 seconds.");

QString slot(const QString &key)
{
    return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QLatin1Char('\n') + key;
}

void useTheDouble()
{
    SecretStore::Use(&TFakeSecretStore::instance());
}
} // namespace

TFakeSecretStore &TFakeSecretStore::instance()
{
    static TFakeSecretStore store;
    return store;
}

TSecretRead TFakeSecretStore::Read(const QString &key)
{
    if (fault == TFault::NoService)
        return {TSecretResult::Failed, {}, noService};
    if (fault == TFault::NeverAnswers) {
        ++waited;
        return {TSecretResult::Failed, {}, noAnswer};
    }
    const auto found = m_secrets.constFind(slot(key));
    if (found == m_secrets.cend())
        return {TSecretResult::NotFound, {}, {}};
    return {TSecretResult::Done, *found, {}};
}

TSecretWrite TFakeSecretStore::Write(const QString &key, const QString &secret)
{
    switch (fault) {
    case TFault::NoService:
        return {TSecretResult::Failed, noService};
    case TFault::NeverAnswers:
        ++waited;
        return {TSecretResult::Failed, noAnswer};
    case TFault::WriteFails:
        return {TSecretResult::Failed, QStringLiteral("The keyring is locked.")};
    case TFault::ReadBackLost:
        return {TSecretResult::Done, {}};
    case TFault::ReadBackChanged:
        m_secrets.insert(slot(key), secret + QLatin1Char('!'));
        return {TSecretResult::Done, {}};
    case TFault::None:
        break;
    }
    m_secrets.insert(slot(key), secret);
    return {TSecretResult::Done, {}};
}

void TFakeSecretStore::KeepLater(const QString &key, const QString &secret, QObject *context, KeptFunction kept)
{
    if (fault != TFault::NeverAnswers)
        TSecretStore::KeepLater(key, secret, context, std::move(kept));
}

QString TFakeSecretStore::held(const QString &key) const
{
    return m_secrets.value(slot(key));
}

Q_COREAPP_STARTUP_FUNCTION(useTheDouble)
