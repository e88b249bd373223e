// The Check Spelling command, the spell checker's configuration from the
// settings, the language list and the marks under unknown words.
#include "mainwindow/Main.h"

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
    ShowSpellLanguageInUse();
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
    // With an engine chosen the stored row is the language chosen; otherwise
    // the checker keeps its British English.
    if (SpellCheckerType > 0) {
        if (const std::optional<TSpellLanguage> language = cboSpellCheck->language(SpellCheckerLanguage))
            splChecker->UseLanguage(*language);
    }
    ShowSpellLanguageInUse();
}

void TfrmMain::ChooseSpellLanguage(int row)
{
    if (const std::optional<TSpellLanguage> language = cboSpellCheck->language(row)) {
        splChecker->UseLanguage(*language);
        // The row is read at the next start only with an engine kind chosen:
        // the choice keeps the kind the language was listed for.
        SpellCheckerType = language->kind == int(TSpellChecker::TEngineKind::MSOffice) ? 1 : 2;
    }
    ShowSpellLanguageInUse();
}

void TfrmMain::ShowSpellLanguageInUse()
{
    int row = cboSpellCheck->count() - 1;
    while (row >= 0 && cboSpellCheck->language(row)->tag != splChecker->language())
        --row;
    cboSpellCheck->setCurrentIndex(row);
    if (row >= 0)
        SpellCheckerLanguage = row;
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
