#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// Windows-1252, the Western code page of older versions: they keyed stores
// with the passphrase's bytes in it, and their plain files declare it (or
// ISO-8859-1, which Windows reads the same way).
namespace CodePage1252 {

// The five bytes without a character of their own (81, 8D, 8F, 90, 9D) stand
// for the control characters of the same number, as Windows reads them.
QString Decode(QByteArrayView bytes);
// No value when a character has no byte in the code page.
std::optional<QByteArray> Encode(QStringView text);

} // namespace CodePage1252
