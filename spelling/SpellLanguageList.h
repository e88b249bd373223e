#pragma once

#include "spelling/SpellChecker.h"

#include <QComboBox>

// A list of the languages the installed dictionaries serve, as the checker
// offers them; each row carries its language entry. Choosing a row changes
// nothing by itself: the owner makes the entry current with the checker.
class TSpellLanguageComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TSpellLanguageComboBox(QWidget *parent = nullptr);

    // Fills the list from the languages installed for the checker's engine.
    void Bind(const TSpellChecker &checker);
    // The entry of a row; nullopt outside the list.
    std::optional<TSpellLanguage> language(int row) const;

private:
    QList<TSpellLanguage> m_languages;
};
