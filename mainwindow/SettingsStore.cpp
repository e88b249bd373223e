// Reading the settings at start-up and writing them at exit.
//
// A setting that cannot be read (a value of the wrong type, a damaged
// registry file) or cannot be used takes its default and is logged; the
// reading goes on, so one bad value never leaves the settings after it at
// 0, false or empty. Writing likewise goes on past a value that fails, and
// the values are written to the file together.
//
// Two copies of the program may run at once on one settings file. Exit
// writes only the settings this copy changed since start-up, so that a
// setting another copy changed and wrote meanwhile stays as that copy left it.
#include "mainwindow/Main.h"

#include "diagnostics/ErrorReport.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "mainwindow/SettingsTable.h"

#include <QStringList>
#include <algorithm>

namespace {
void logFault(const char *method, const QString &message)
{
    LogError({QStringLiteral("Main"), QLatin1String(method), message});
}

// Opens the settings key, creating it when missing. Reading a damaged
// registry file moves it aside, so a second attempt starts from a fresh one.
bool openSettingsKey(TRegistry &registry, const char *method)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            registry.OpenKey(RegistryKeys::settings(), true);
            return true;
        } catch (const ETamselError &error) {
            logFault(method, error.message());
        }
    }
    return false;
}

TSettingValue readValue(const TRegistry &registry, const TSetting &setting)
{
    switch (setting.type) {
    case TSettingType::Integer:
        return registry.ReadInteger(setting.name);
    case TSettingType::Bool:
        return registry.ReadBool(setting.name);
    case TSettingType::String:
        return registry.ReadString(setting.name);
    }
    Q_UNREACHABLE();
}

void writeValue(TRegistry &registry, const TSetting &setting, const TSettingValue &value)
{
    switch (setting.type) {
    case TSettingType::Integer:
        registry.WriteInteger(setting.name, std::get<int>(value));
        break;
    case TSettingType::Bool:
        registry.WriteBool(setting.name, std::get<bool>(value));
        break;
    case TSettingType::String:
        registry.WriteString(setting.name, std::get<QString>(value));
        break;
    }
}

QString valueText(const TSettingValue &value)
{
    if (const int *number = std::get_if<int>(&value))
        return QString::number(*number);
    if (const bool *flag = std::get_if<bool>(&value))
        return *flag ? QStringLiteral("true") : QStringLiteral("false");
    return QLatin1Char('"') + std::get<QString>(value) + QLatin1Char('"');
}

// The stored value of a setting, when there is one that can be used. A
// missing value of the window's place is written at once. `failed` tells
// that a stored value could not be read or used.
std::optional<TSettingValue> readStored(TRegistry &registry, const TSetting &setting, TfrmMain &window, bool &failed)
{
    failed = true;
    try {
        if (!registry.ValueExists(setting.name)) {
            if (setting.reading == TSettingReading::WrittenAtOnce) {
                if (const std::optional<TSettingValue> fallback = setting.fallback(window))
                    writeValue(registry, setting, *fallback);
            }
            failed = false;
            return std::nullopt;
        }
        const TSettingValue value = readValue(registry, setting);
        if (setting.usable && !setting.usable(window, value)) {
            logFault("GetPositions", QStringLiteral("The value \"%1\" (%2) cannot be used; the default is used.")
                                         .arg(setting.name, valueText(value)));
            return std::nullopt;
        }
        failed = false;
        return value;
    } catch (const ETamselError &error) {
        logFault("GetPositions", error.message() + QStringLiteral(" The default of \"%1\" is used.").arg(setting.name));
        return std::nullopt;
    }
}
} // namespace

void TfrmMain::GetPositions()
{
    try {
        ObtainPassPhrase();
    } catch (const ETamselError &error) {
        logFault("GetPositions", error.message());
    }

    TRegistry registry;
    const bool keyOpen = openSettingsKey(registry, "GetPositions");
    bool fontRead = false;
    QStringList failed;
    for (const TSetting &setting : SettingsReadOrder()) {
        bool wanted = keyOpen;
        if (setting.reading == TSettingReading::FontPart)
            wanted = wanted && fontRead;
        else if (setting.reading == TSettingReading::SpellingLanguage)
            wanted = wanted && SpellCheckerType != 0;

        std::optional<TSettingValue> value;
        bool unreadable = !keyOpen;
        if (wanted)
            value = readStored(registry, setting, *this, unreadable);
        if (unreadable)
            failed.append(setting.name);
        if (setting.reading == TSettingReading::FontFace)
            fontRead = value.has_value();
        if (!value)
            value = setting.fallback(*this);
        if (value)
            setting.load(*this, *value);
    }
    registry.CloseKey();
    ApplySpellingSettings();
    KeepSettingsAtStart(failed);
}

void TfrmMain::KeepSettingsAtStart(const QStringList &unread)
{
    SettingsAtStart.clear();
    for (const TSetting &setting : SettingsReadOrder()) {
        if (!unread.contains(setting.name))
            SettingsAtStart[setting.name] = setting.unchanged ? setting.unchanged(*this) : setting.save(*this);
    }
}

void TfrmMain::SetPositions()
{
    TRegistry registry;
    if (!openSettingsKey(registry, "SetPositions"))
        return;
    const auto unchanged = [this](const TSetting &setting, const TSettingValue &value) {
        const auto atStart = SettingsAtStart.find(setting.name);
        return atStart != SettingsAtStart.end() && atStart->second == value;
    };
    // The entry font's parts are read only with its face: a font changed in
    // any part is written whole.
    const auto fontPart = [](const TSetting &setting) {
        return setting.reading == TSettingReading::FontFace || setting.reading == TSettingReading::FontPart;
    };
    const bool fontChanged = std::ranges::any_of(SettingsWriteOrder(), [&](const TSetting *setting) {
        return fontPart(*setting) && !unchanged(*setting, setting->save(*this));
    });

    // One rewrite of the registry file for all the values, not one each.
    registry.BeginBatch();
    QStringList unsaved;
    QString reason;
    for (const TSetting *setting : SettingsWriteOrder()) {
        try {
            const TSettingValue value = setting->save(*this);
            if (unchanged(*setting, value) && !(fontChanged && fontPart(*setting)))
                continue;
            writeValue(registry, *setting, value);
        } catch (const ETamselError &error) {
            unsaved.append(setting->name);
            if (reason.isEmpty())
                reason = error.message();
        }
    }
    try {
        registry.CommitBatch();
    } catch (const ETamselError &error) {
        logFault("SetPositions", QStringLiteral("The settings were not saved. %1").arg(error.message()));
        return;
    }
    registry.CloseKey();
    if (!unsaved.isEmpty())
        logFault("SetPositions", QStringLiteral("These settings were not saved: %1. %2")
                                     .arg(unsaved.join(QStringLiteral(", ")), reason));
}
