#include "spelling/SpellHighlighter.h"

#include "controls/RichEditURL.h"
#include "controls/URLFinder.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "spelling/SpellCheck.h"
#include "spelling/SpellChecker.h"

#include <QPointer>
#include <QTimer>

void MarkUnknownWords(const QList<TRichEditURL *> &fields, TSpellChecker &checker)
{
    QList<QPointer<TRichEditURL>> marked(fields.begin(), fields.end());
    auto remarkAll = [marked] {
        for (TRichEditURL *field : marked)
            if (field)
                field->remark();
    };
    auto loading = std::make_shared<bool>(false);
    auto marker = [&checker, loading, remarkAll](const QString &paragraph) -> QList<TURLRange> {
        QList<TURLRange> unknown;
        if (!checker.isLoaded()) {
            if (!*loading) {
                *loading = true;
                QTimer::singleShot(0, &checker, [&checker, loading, remarkAll] {
                    *loading = false;
                    try {
                        if (checker.hasDictionary())
                            remarkAll();
                    } catch (const ETamselError &error) {
                        LogError({ QStringLiteral("Main"), QStringLiteral("MarkUnknownWords"), error.message() });
                    }
                });
            }
            return unknown;
        }
        try {
            if (!checker.hasDictionary())
                return unknown;
            for (const TWordSpan &span : WordsOf(paragraph)) {
                const QString word = paragraph.mid(span.start, span.end - span.start);
                if (!checker.isIgnored(word) && !checker.isKnown(word))
                    unknown.append({ span.start, span.end - span.start });
            }
        } catch (const ETamselError &error) {
            LogError({ QStringLiteral("Main"), QStringLiteral("MarkUnknownWords"), error.message() });
        }
        return unknown;
    };
    for (TRichEditURL *field : fields)
        field->setWordMarker(marker);
    QObject::connect(&checker, &TSpellChecker::configurationChanged, &checker, remarkAll);
}
