#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

class TfrmMain;

// Every setting the main window reads at start-up and writes at exit: its
// registry value name, type, the value that holds without a stored one, and
// where it lives in the window. GetPositions and SetPositions walk this table.

enum class TSettingType { Integer, Bool, String };

using TSettingValue = std::variant<int, bool, QString>;

// When a setting is taken from the registry at start-up.
enum class TSettingReading {
    Always,
    // As Always; a missing value is also written at once, so that the window's
    // place exists in the registry from the first start on.
    WrittenAtOnce,
    // The entry font's face; the font's other parts are read only after it.
    FontFace,
    FontPart,
    // Read only when a spelling engine is chosen (SpellCheckerType not 0).
    SpellingLanguage,
};

struct TSetting
{
    QString name;
    TSettingType type = TSettingType::Integer;
    TSettingReading reading = TSettingReading::Always;
    // The value that holds when none is stored or the stored one cannot be
    // used; no value leaves the window as designed.
    std::function<std::optional<TSettingValue>(TfrmMain &)> fallback = {};
    // Whether a stored value of the right type can be used; unset: any can.
    std::function<bool(TfrmMain &, const TSettingValue &)> usable = {};
    // Puts a value into its field, or onto the window for the values that
    // live in the window itself (geometry, active page, column widths, font).
    std::function<void(TfrmMain &, const TSettingValue &)> load = {};
    // The value written at exit.
    std::function<TSettingValue(TfrmMain &)> save = {};
    // The value save gives at exit while nothing has changed since start-up,
    // taken right after the settings are read; unset: what save gives then.
    std::function<TSettingValue(TfrmMain &)> unchanged = {};
};

// The settings in the order they are read at start-up.
const std::vector<TSetting> &SettingsReadOrder();

// The same settings in the order they are written at exit.
const std::vector<const TSetting *> &SettingsWriteOrder();
