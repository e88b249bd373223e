#pragma once

#include "platform/SecretStore.h"

#include <QHash>

// Stands in for the desktop's keyring in every test, so that no test reaches
// the keyring of whoever runs the tests. Each test home has its own keyring
// (the real one lives in the home too), found by the home's data folder.
class TFakeSecretStore final : public TSecretStore {
public:
    enum class TFault {
        None,
        NoService,       // nothing answers
        WriteFails,      // the service refuses to store
        ReadBackLost,    // says it stored, but holds nothing
        ReadBackChanged, // holds other bytes than it was given
        NeverAnswers,    // asks the user something nobody answers: each call waits to its time limit
    };

    static TFakeSecretStore &instance();

    TFault fault = TFault::None;

    TSecretRead Read(const QString &key) override;
    TSecretWrite Write(const QString &key, const QString &secret) override;
    void KeepLater(const QString &key, const QString &secret, QObject *context, KeptFunction kept) override;

    // Calls that waited for a keyring that never answers, to their time limit.
    int waited = 0;

    // What this home's keyring holds, whatever the fault; empty for nothing.
    QString held(const QString &key) const;

private:
    QHash<QString, QString> m_secrets;
};
