// The Check Spelling command, the spell checker's configuration from the
// settings, the language list and the marks under unknown words.
#include "app/Main.h"

#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "spelling/SpellCheck.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellDialog.h"
#include "spelling/SpellHighlighter.h"
#include "spelling/SpellLanguageList.h"

#include <QAction>

void TfrmMain::CreateSpellChecker()
{
    splChecker = new TSpellChecker(this);
    splChecker->setObjectName(QStringLiteral("splChecker"));
    cboSpellCheck = new TSpellLanguageComboBox(this);
    cboSpellCheck->setObjectName(QStringLiteral("cboSpellCheck"));
    cboSpellCheck->hide();
    cboSpellCheck->Bind(*splChecker);
    MarkUnknownWords({ edtTitle, redNote }, *splChecker);
    connect(actSpellCheck, &QAction::triggered, this, [this] { actSpellCheckExecute(); });
}

void TfrmMain::ApplySpellingSettings()
{
    const TSpellChecker::TEngineKind kind = splChecker->engineKind();
    if (SpellCheckerType == 1)
        splChecker->setEngineKind(TSpellChecker::TEngineKind::MSOffice);
    else if (SpellCheckerType == 2)
        splChecker->setEngineKind(TSpellChecker::TEngineKind::ISpell);
    if (splChecker->engineKind() != kind)
        cboSpellCheck->Bind(*splChecker);
    // With an engine chosen the stored language is used; otherwise the
    // checker keeps its British English until the user picks a language.
    if (SpellCheckerType > 0)
        ChooseSpellLanguage(SpellCheckerLanguage);
    else
        cboSpellCheck->setCurrentIndex(SpellCheckerLanguage < cboSpellCheck->count() ? SpellCheckerLanguage : -1);
}

void TfrmMain::ChooseSpellLanguage(int row)
{
    SpellCheckerLanguage = row;
    cboSpellCheck->setCurrentIndex(row < cboSpellCheck->count() ? row : -1);
    if (const std::optional<TSpellLanguage> language = cboSpellCheck->language(row))
        splChecker->UseLanguage(*language);
}

void TfrmMain::actSpellCheckExecute(bool partOfSave)
{
    DisableTimer();
    try {
        TSpellRun run;
        const TSpellAsker ask = [this](const TSpellQuestion &question) { return AskSpelling(question, this); };
        // A field showing only the start of its text (read-only) keeps its
        // value whole: a word replaced there would cut the value.
        for (TRichEditURL *field : { edtTitle, redNote })
            if (!field->isReadOnly())
                CheckField(field, *splChecker, ask, run);
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("actSpellCheckExecute"), error.message() });
    }
    if (!partOfSave)
        ResetTimerState();
}
