#pragma once

#include <QString>
#include <chrono>
#include <functional>

class QObject;

// Where the desktop keeps secrets (the Secret Service of GNOME Keyring,
// KWallet or KeePassXC), behind a small synchronous interface: start-up waits
// for the answer, never longer than the store's time limit.
enum class TSecretResult {
    Done,
    NotFound, // the service answered and holds nothing under the key
    Failed,   // no service answered in time, or it refused; `detail` says why
};

struct TSecretRead {
    TSecretResult result = TSecretResult::Failed;
    QString secret;
    QString detail;
};

struct TSecretWrite {
    TSecretResult result = TSecretResult::Failed;
    QString detail;
};

class TSecretStore {
public:
    // Why a secret is not kept: empty once the store gave it back unchanged.
    using KeptFunction = std::function<void(const QString &failure)>;

    virtual ~TSecretStore() = default;
    virtual TSecretRead Read(const QString &key) = 0;
    virtual TSecretWrite Write(const QString &key, const QString &secret) = 0;

    // Writes the secret and reads it back; empty when the store gave back
    // exactly this secret, otherwise why not.
    QString Keep(const QString &key, const QString &secret);
    // Keep without waiting: returns at once, and `kept` is called from the
    // event loop when the store has answered (or its time limit passed);
    // never once `context` is gone. Here Keep runs at the next pass of the
    // event loop; the desktop's store does not wait even then.
    virtual void KeepLater(const QString &key, const QString &secret, QObject *context, KeptFunction kept);

protected:
    // Why a secret read back after writing it is not the one written; empty
    // when it is.
    static QString ReadBackFailure(const TSecretRead &readBack, const QString &secret);
};

// The desktop's Secret Service through QtKeychain, under one service name.
// Secrets are kept as text, so the desktop's password manager shows them as
// they were typed.
class TKeychainSecretStore final : public TSecretStore {
public:
    explicit TKeychainSecretStore(const QString &service = QStringLiteral("Tamsel"),
        std::chrono::milliseconds timeLimit = std::chrono::seconds(20));
    TSecretRead Read(const QString &key) override;
    TSecretWrite Write(const QString &key, const QString &secret) override;
    void KeepLater(const QString &key, const QString &secret, QObject *context, KeptFunction kept) override;

private:
    QString m_service;
    std::chrono::milliseconds m_timeLimit;
};

namespace SecretStore {

// The key the passphrase of the entries is kept under.
inline const QString PassPhraseKey = QStringLiteral("passphrase");

// The store the program uses: the desktop's, unless a test put another in
// its place with Use (nullptr goes back to the desktop's).
TSecretStore &Current();
void Use(TSecretStore *store);

} // namespace SecretStore
