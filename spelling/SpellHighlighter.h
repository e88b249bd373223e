#pragma once

#include <QList>

class TRichEditURL;
class TSpellChecker;

// Underlines, as the user types, the words of the fields the checker does not
// know, while its language has a dictionary; nothing otherwise. The
// dictionary is loaded once the event loop is free, not while a field paints.
void MarkUnknownWords(const QList<TRichEditURL *> &fields, TSpellChecker &checker);
