#pragma once

#include <QByteArray>

// Realistic entry documents for measurements: titles of 20 to 80 characters,
// bodies of 0 to 1,000 characters with line breaks, angle brackets and
// non-ASCII letters, half notes and half tasks, some with attachments. The
// same count always gives the same document.
namespace StoreGenerator {

QByteArray document(int entries);
// A document of one note with a title and a body of the given lengths in
// characters; the body has line breaks as the generated ones do, or none.
enum class BodyLines { Broken, OneLine };
QByteArray oneNote(int titleLength, int bodyLength, BodyLines lines = BodyLines::Broken);

} // namespace StoreGenerator
