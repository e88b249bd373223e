#pragma once

#include "settings/SettingFields.h"

#include <QStringList>
#include <functional>

// What the options dialog works on: the settings of the window that opens it,
// and the steps that apply a changed setting there.
class TOptionsHost : public TSettingFields
{
public:
    // The spelling languages offered, in the order of SpellCheckerLanguage.
    virtual QStringList SpellLanguages() const = 0;
    // The row of SpellLanguages() in use.
    virtual int SpellLanguageRow() const = 0;
    // Makes a row of the spelling-language list current.
    virtual void ChooseSpellLanguage(int row) = 0;
    // AutoSave and AutoSaveAfterTime changed.
    virtual void AutoSaveChanged() = 0;
    // The task colours or the strikeout changed.
    virtual void TaskLookChanged() = 0;
    // True when the start-up entry was written; failures are reported.
    virtual bool CreateStartupShortcut() = 0;
    virtual void DeleteStartupShortcut() = 0;
    virtual bool IsAdmin() = 0;
    // Carries the entries to the store in another folder; `moved` runs once
    // the folder is in use. False when the move failed (the user has been told).
    virtual bool MoveStorage(const QString &folder, const std::function<void()> &moved) = 0;

protected:
    ~TOptionsHost() = default;
};
