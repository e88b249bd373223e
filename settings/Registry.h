#pragma once

#include "diagnostics/Exception.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class ERegistryError : public ETamselError
{
    using ETamselError::ETamselError;
};

// The registry file holds no registry the program can read. It has been
// moved to AsidePath(), and the registry starts afresh; AsidePath() is empty
// when the file could not be moved and is still in the way.
class ERegistryDamaged : public ERegistryError
{
public:
    ERegistryDamaged(const QString &message, const QString &asidePath)
        : ERegistryError(message), m_asidePath(asidePath)
    {
    }
    const QString &AsidePath() const { return m_asidePath; }

private:
    QString m_asidePath;
};

// The registry of the program: a file of keys holding typed values (integer,
// string, binary), kept in the user's configuration folder. Every write
// rewrites the file atomically, readable by the user only; the writes of a
// batch rewrite it once, together. A rewrite reads the file and writes it
// while holding the lock of LockFilePath(), so the rewrites of two programs
// never interleave and neither loses the other's values; a lock that cannot
// be had within TFileLock::WaitLimit() fails the write. A file that holds no registry is moved
// aside under a ".damaged" name and reported, never emptied.
class TRegistry
{
public:
    // The registry file of this user; tests point it elsewhere with XDG_CONFIG_HOME.
    static QString DefaultFilePath();

    explicit TRegistry(const QString &filePath = DefaultFilePath());

    const QString &FilePath() const { return m_filePath; }
    // A file of its own beside the registry file: the registry file itself is
    // replaced by every rewrite, and a lock on the file replaced would not
    // stop a program that opens the new one.
    QString LockFilePath() const;

    // Makes the key current, creating it with its parents when `create` is set.
    // Returns false when the key is missing and not created.
    bool OpenKey(const QString &key, bool create);
    void CloseKey();
    const QString &CurrentKey() const { return m_key; }

    bool ValueExists(const QString &name) const;
    qint32 ReadInteger(const QString &name) const;
    bool ReadBool(const QString &name) const;
    // A missing value reads as the empty text; a value of another type fails.
    QString ReadString(const QString &name) const;
    QByteArray ReadBinaryData(const QString &name) const;

    void WriteInteger(const QString &name, qint32 value);
    void WriteBool(const QString &name, bool value);
    void WriteString(const QString &name, const QString &value);
    void WriteBinaryData(const QString &name, const QByteArray &value);
    // Removes the value from the file at once, also inside a batch; a missing
    // value is no failure.
    void DeleteValue(const QString &name);

    // From BeginBatch on, values written are kept here and read back from
    // here; CommitBatch puts them all into the file in one rewrite, over what
    // the file holds by then. A registry that goes before its batch is
    // committed drops the batch's values.
    void BeginBatch();
    void CommitBatch();

private:
    struct TPendingValue
    {
        QString key;
        QString name;
        QJsonObject value;
    };
    static void addValues(QJsonObject &root, const QList<TPendingValue> &values);
    static QJsonObject withValues(QJsonObject root, const QList<TPendingValue> &values);

    QJsonObject readFile() const;
    // Under the lock: reads the file, lets `change` change its content, and
    // writes it unless `change` returns false.
    void rewrite(const std::function<bool(QJsonObject &root)> &change) const;
    void writeValues(const QList<TPendingValue> &values) const;
    QJsonObject currentValues() const;
    QJsonObject typedValue(const QString &name, const char *type) const;
    void writeValue(const QString &name, const char *type, const QJsonValue &value);

    QString m_filePath;
    QString m_key;
    std::optional<QList<TPendingValue>> m_batch;
};
