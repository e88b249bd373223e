#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

class TRegistry;

// The scrambler that keeps the passphrase out of plain sight in the registry
// value "PassKey". It hides the passphrase from a casual look at the settings
// file; it is no protection against anyone who has this program.
struct TPassKeyParameters {
    quint16 Seed; // the running key at the start of every call
    quint16 Multiplier;
    quint16 Increment;
};

// The running key is (byte × Multiplier + Increment) with byte ≤ 255, so this
// keeps every running key within 16 bits.
constexpr bool PassKeyParametersValid(TPassKeyParameters parameters)
{
    return 255u * parameters.Multiplier + parameters.Increment <= 65535u;
}

// Fixed for the program: a "PassKey" written under other values reads back as
// a different passphrase.
inline constexpr TPassKeyParameters PassKeyParameters { 47073, 251, 1481 };
static_assert(PassKeyParametersValid(PassKeyParameters));

enum class TScrambleDirection { Forwards, Backwards };

// The byte routine: output[t] = input[t] XOR (running key >> 8); the clear
// byte (the input forwards, the output backwards) and the running key's low
// byte give the next running key. Returns false, touching nothing, when the
// two lengths differ. Raises ETamselError for parameters that would let the
// running key leave 16 bits.
bool ScramblePassKey(const uchar *input, qsizetype inputLength, uchar *output, qsizetype outputLength,
    TScrambleDirection direction, TPassKeyParameters parameters = PassKeyParameters);

// The scrambled form of the passphrase's bytes, and back; same length.
QByteArray EncodePassKey(const QByteArray &clear, TPassKeyParameters parameters = PassKeyParameters);
QByteArray DecodePassKey(const QByteArray &scrambled, TPassKeyParameters parameters = PassKeyParameters);

namespace PassKey {

// The value in the program key (RegistryKeys::program()).
inline const QString ValueName = QStringLiteral("PassKey");
// Set once the user has been told that the passphrase is kept in "PassKey".
inline const QString NoticeValueName = QStringLiteral("PassKeyNoticeShown");

// The scrambled passphrase stored in the current key of the registry, or no
// value when "PassKey" is missing or empty, or is a text value that is blank
// (only blanks and control characters). Written as binary so that zero bytes
// survive; a text value, as written by earlier versions, is read as one byte
// per character. Raises ETamselError when the registry cannot be read.
std::optional<QByteArray> Read(const TRegistry &registry);
// Stores the scrambled passphrase in the current key as a binary value.
void Write(TRegistry &registry, const QByteArray &scrambled);

} // namespace PassKey
