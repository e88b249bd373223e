// Linked into every test: the keyring double is the program's keyring.
#include "tests/FakeSecretStore.h"

#include <QCoreApplication>

namespace {
const QString noService = QStringLiteral("No keyring service answered on the session bus.");

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
    const std::optional<QByteArray> secret = held(key);
    if (!secret)
        return {TSecretResult::NotFound, {}, {}};
    return {TSecretResult::Done, *secret, {}};
}

TSecretWrite TFakeSecretStore::Write(const QString &key, const QByteArray &secret)
{
    switch (fault) {
    case TFault::NoService:
        return {TSecretResult::Failed, noService};
    case TFault::WriteFails:
        return {TSecretResult::Failed, QStringLiteral("The keyring is locked.")};
    case TFault::ReadBackLost:
        return {TSecretResult::Done, {}};
    case TFault::ReadBackChanged:
        m_secrets.insert(slot(key), secret + "!");
        return {TSecretResult::Done, {}};
    case TFault::None:
        break;
    }
    m_secrets.insert(slot(key), secret);
    return {TSecretResult::Done, {}};
}

std::optional<QByteArray> TFakeSecretStore::held(const QString &key) const
{
    const auto found = m_secrets.constFind(slot(key));
    return found == m_secrets.cend() ? std::nullopt : std::optional<QByteArray>(*found);
}

Q_COREAPP_STARTUP_FUNCTION(useTheDouble)
