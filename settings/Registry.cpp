#include "settings/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

namespace {
// Layout of the file: { "keys": { "<key path>": { "<name>": { "type": t, "value": v } } } }
const QString keysField = QStringLiteral("keys");
// Far more than any settings file holds (they are a few kilobytes); a larger
// one is refused rather than read into memory.
constexpr qint64 MaxSettingsFileSize = qint64(16) << 20;
const QString typeField = QStringLiteral("type");
const QString valueField = QStringLiteral("value");
constexpr const char *integerType = "integer";
constexpr const char *stringType = "string";
constexpr const char *binaryType = "binary";

QString normalizedKey(const QString &key)
{
    QString result = key;
    while (result.endsWith(QLatin1Char('\\')))
        result.chop(1);
    if (!result.startsWith(QLatin1Char('\\')))
        result.prepend(QLatin1Char('\\'));
    return result;
}
} // namespace

QString TRegistry::DefaultFilePath()
{
    return Paths::configFolder() + QStringLiteral("/registry.json");
}

TRegistry::TRegistry(const QString &filePath) : m_filePath(filePath) {}

QJsonObject TRegistry::readFile() const
{
    if (!QFileInfo::exists(m_filePath))
        return {};
    QByteArray bytes;
    try {
        bytes = ReadRegularFile(m_filePath, MaxSettingsFileSize);
    } catch (const ETamselError &error) {
        throw ERegistryError(QStringLiteral("The settings file %1").arg(error.message()));
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()
        && document.object().value(keysField).isObject())
        return document.object();

    // Keep the damaged file for the user and start afresh beside it.
    const QString stem = m_filePath + QStringLiteral(".damaged-")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = stem;
    for (int number = 2; QFileInfo::exists(aside); ++number)
        aside = stem + QLatin1Char('-') + QString::number(number);
    QFile damaged(m_filePath);
    if (!damaged.rename(aside))
        throw ERegistryDamaged(QStringLiteral("The settings file %1 is damaged and could not be moved to %2: %3")
                                   .arg(m_filePath, aside, damaged.errorString()),
                               QString());
    throw ERegistryDamaged(QStringLiteral("The settings file %1 is damaged and was moved to %2.").arg(m_filePath, aside),
                           aside);
}

QString TRegistry::LockFilePath() const
{
    return m_filePath + QStringLiteral(".lock");
}

void TRegistry::rewrite(const std::function<bool(QJsonObject &root)> &change) const
{
    std::optional<TFileLock> lock;
    try {
        lock.emplace(LockFilePath());
    } catch (const ETamselError &error) {
        throw ERegistryError(QStringLiteral("The settings file %1 was not written. %2").arg(m_filePath, error.message()));
    }
    QJsonObject root = readFile();
    if (!change(root))
        return;
    try {
        AtomicFile::WriteFileAtomically(m_filePath, QJsonDocument(root).toJson(QJsonDocument::Indented));
    } catch (const ETamselError &error) {
        throw ERegistryError(error.message());
    }
}

bool TRegistry::OpenKey(const QString &key, bool create)
{
    const QString path = normalizedKey(key);
    if (!readFile().value(keysField).toObject().contains(path)) {
        if (!create)
            return false;
        // Another program may have made the key meanwhile; it is kept as it is.
        rewrite([&path](QJsonObject &root) {
            QJsonObject keys = root.value(keysField).toObject();
            if (keys.contains(path))
                return false;
            keys.insert(path, QJsonObject());
            root.insert(keysField, keys);
            return true;
        });
    }
    m_key = path;
    return true;
}

void TRegistry::CloseKey()
{
    m_key.clear();
}

QJsonObject TRegistry::currentValues() const
{
    if (m_key.isEmpty())
        throw ERegistryError(QStringLiteral("No registry key is open."));
    const QJsonObject root = m_batch ? withValues(readFile(), *m_batch) : readFile();
    return root.value(keysField).toObject().value(m_key).toObject();
}

QJsonObject TRegistry::typedValue(const QString &name, const char *type) const
{
    const QJsonValue entry = currentValues().value(name);
    if (!entry.isObject())
        throw ERegistryError(QStringLiteral("The value \"%1\" does not exist.").arg(name));
    const QJsonObject value = entry.toObject();
    if (value.value(typeField).toString() != QLatin1String(type))
        throw ERegistryError(QStringLiteral("The value \"%1\" is not of type %2.")
                                 .arg(name, QLatin1String(type)));
    return value;
}

bool TRegistry::ValueExists(const QString &name) const
{
    return currentValues().contains(name);
}

qint32 TRegistry::ReadInteger(const QString &name) const
{
    const QJsonValue value = typedValue(name, integerType).value(valueField);
    const double number = value.toDouble();
    // The range first: casting a number beyond qint64 (1e300) is undefined.
    if (!value.isDouble() || !(number >= -2147483648.0 && number <= 4294967295.0)
        || number != double(qint64(number)))
        throw ERegistryError(QStringLiteral("The value \"%1\" is not a valid integer.").arg(name));
    return qint32(quint32(qint64(number))); // stored as a 32-bit word
}

bool TRegistry::ReadBool(const QString &name) const
{
    return ReadInteger(name) != 0;
}

QString TRegistry::ReadString(const QString &name) const
{
    if (!ValueExists(name))
        return {};
    QString text = typedValue(name, stringType).value(valueField).toString();
    const qsizetype zero = text.indexOf(QChar(0));
    return zero >= 0 ? text.left(zero) : text;
}

QByteArray TRegistry::ReadBinaryData(const QString &name) const
{
    const QString encoded = typedValue(name, binaryType).value(valueField).toString();
    return QByteArray::fromBase64(encoded.toLatin1());
}

void TRegistry::addValues(QJsonObject &root, const QList<TPendingValue> &values)
{
    QJsonObject keys = root.value(keysField).toObject();
    for (const TPendingValue &pending : values) {
        QJsonObject key = keys.value(pending.key).toObject();
        key.insert(pending.name, pending.value);
        keys.insert(pending.key, key);
    }
    root.insert(keysField, keys);
}

QJsonObject TRegistry::withValues(QJsonObject root, const QList<TPendingValue> &values)
{
    addValues(root, values);
    return root;
}

void TRegistry::writeValue(const QString &name, const char *type, const QJsonValue &value)
{
    if (m_key.isEmpty())
        throw ERegistryError(QStringLiteral("No registry key is open."));
    const TPendingValue pending{m_key, name, QJsonObject{{typeField, QLatin1String(type)}, {valueField, value}}};
    if (m_batch)
        m_batch->append(pending);
    else
        writeValues({pending});
}

void TRegistry::WriteInteger(const QString &name, qint32 value)
{
    writeValue(name, integerType, value);
}

void TRegistry::WriteBool(const QString &name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const QString &name, const QString &value)
{
    writeValue(name, stringType, value);
}

void TRegistry::WriteBinaryData(const QString &name, const QByteArray &value)
{
    writeValue(name, binaryType, QString::fromLatin1(value.toBase64()));
}

void TRegistry::DeleteValue(const QString &name)
{
    if (m_key.isEmpty())
        throw ERegistryError(QStringLiteral("No registry key is open."));
    if (m_batch)
        m_batch->removeIf([&](const TPendingValue &pending) { return pending.key == m_key && pending.name == name; });
    rewrite([this, &name](QJsonObject &root) {
        QJsonObject keys = root.value(keysField).toObject();
        QJsonObject key = keys.value(m_key).toObject();
        if (!key.contains(name))
            return false;
        key.remove(name);
        keys.insert(m_key, key);
        root.insert(keysField, keys);
        return true;
    });
}

void TRegistry::BeginBatch()
{
    if (!m_batch)
        m_batch.emplace();
}

void TRegistry::CommitBatch()
{
    const std::optional<QList<TPendingValue>> values = std::exchange(m_batch, std::nullopt);
    if (values && !values->isEmpty())
        writeValues(*values);
}

void TRegistry::writeValues(const QList<TPendingValue> &values) const
{
    rewrite([&values](QJsonObject &root) {
        addValues(root, values);
        return true;
    });
}
