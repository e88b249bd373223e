#include "store/PassKey.h"

#include "settings/Registry.h"

bool ScramblePassKey(const uchar *input, qsizetype inputLength, uchar *output, qsizetype outputLength,
    TScrambleDirection direction, TPassKeyParameters parameters)
{
    if (!PassKeyParametersValid(parameters))
        throw ETamselError(
            QStringLiteral("The passphrase scrambler's parameters let its key leave 16 bits."));
    if (inputLength != outputLength)
        return false;
    quint32 key = parameters.Seed;
    for (qsizetype t = 0; t < inputLength; ++t) {
        const uchar in = input[t];
        const uchar out = uchar(in ^ (key >> 8));
        output[t] = out;
        const uchar clear = direction == TScrambleDirection::Forwards ? in : out;
        key = ((clear + (key & 0xFFu)) & 0xFFu) * parameters.Multiplier + parameters.Increment;
    }
    return true;
}

namespace {
// Blanks and control characters count as nothing at either end.
bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x20)
            return false;
    }
    return true;
}

QByteArray scramble(const QByteArray &input, TScrambleDirection direction, TPassKeyParameters parameters)
{
    QByteArray output(input.size(), Qt::Uninitialized);
    if (!ScramblePassKey(reinterpret_cast<const uchar *>(input.constData()), input.size(),
            reinterpret_cast<uchar *>(output.data()), output.size(), direction, parameters))
        return {};
    return output;
}
} // namespace

QByteArray EncodePassKey(const QByteArray &clear, TPassKeyParameters parameters)
{
    return scramble(clear, TScrambleDirection::Forwards, parameters);
}

QByteArray DecodePassKey(const QByteArray &scrambled, TPassKeyParameters parameters)
{
    return scramble(scrambled, TScrambleDirection::Backwards, parameters);
}

std::optional<QByteArray> PassKey::Read(const TRegistry &registry)
{
    if (!registry.ValueExists(ValueName))
        return std::nullopt;
    QByteArray scrambled;
    try {
        scrambled = registry.ReadBinaryData(ValueName);
    } catch (const ERegistryError &) {
        // Not binary: a text value. Its reading raises if it is neither.
        const QString text = registry.ReadString(ValueName);
        if (isBlank(text))
            return std::nullopt;
        scrambled = text.toLatin1();
    }
    if (scrambled.isEmpty())
        return std::nullopt;
    return scrambled;
}

void PassKey::Write(TRegistry &registry, const QByteArray &scrambled)
{
    registry.WriteBinaryData(ValueName, scrambled);
}
