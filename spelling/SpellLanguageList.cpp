#include "spelling/SpellLanguageList.h"

TSpellLanguageComboBox::TSpellLanguageComboBox(QWidget *parent) : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void TSpellLanguageComboBox::Bind(const TSpellChecker &checker)
{
    m_languages = checker.InstalledLanguages();
    clear();
    for (const TSpellLanguage &language : std::as_const(m_languages))
        addItem(language.name(), language.tag);
}

std::optional<TSpellLanguage> TSpellLanguageComboBox::language(int row) const
{
    if (row < 0 || row >= m_languages.size())
        return std::nullopt;
    return m_languages[row];
}
