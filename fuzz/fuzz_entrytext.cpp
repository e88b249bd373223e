// The readers of an entry's title and body: the stored forms with "^M" for
// line breaks and, in the body, "&lt;" and "&gt;". The body reader decodes in
// place and is checked against plain replacements; text without markers
// survives being stored and read back.

#include "store/EntryDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_entrytext: %s\n", what);
        std::abort();
    }
}

QString plainlyDecoded(QString stored)
{
    stored.replace(QLatin1String("^M"), QLatin1String("\n"), Qt::CaseInsensitive);
    stored.replace(QLatin1String("&lt;"), QLatin1String("<"), Qt::CaseInsensitive);
    stored.replace(QLatin1String("&gt;"), QLatin1String(">"), Qt::CaseInsensitive);
    return stored;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    check(EntryDocument::BodyFromStored(text) == plainlyDecoded(text), "the body reads otherwise than stored");
    const QString title = EntryDocument::TitleFromStored(text);
    QString expectedTitle = text;
    expectedTitle.replace(QLatin1String("^M"), QLatin1String("\n"), Qt::CaseInsensitive);
    check(title == expectedTitle, "the title reads otherwise than stored");

    if (!text.contains(QLatin1Char('^')) && !text.contains(QLatin1Char('&'))) {
        QString typed = text;
        typed.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        check(EntryDocument::BodyFromStored(EntryDocument::BodyToStored(text)) == typed,
            "a body does not survive being stored");
        check(EntryDocument::TitleFromStored(EntryDocument::TitleToStored(text)) == typed,
            "a title does not survive being stored");
    }
    return 0;
}
