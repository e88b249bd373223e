#include "mainwindow/SettingsTable.h"

#include "mainwindow/Main.h"
#include "controls/RichEditURL.h"
#include "controls/EntryListModel.h"
#include "platform/Paths.h"
#include "settings/FontStyleCode.h"
#include "settings/WindowsColor.h"
#include "store/StoreBackups.h"

#include <QFileInfo>
#include <QFontInfo>
#include <QFrame>
#include <QLayout>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <algorithm>
#include <limits>

namespace {
using TUsable = std::function<bool(TfrmMain &, const TSettingValue &)>;

template <typename T>
constexpr TSettingType typeOf()
{
    if constexpr (std::is_same_v<T, bool>)
        return TSettingType::Bool;
    else if constexpr (std::is_same_v<T, int>)
        return TSettingType::Integer;
    else
        return TSettingType::String;
}

int integer(const TSettingValue &value)
{
    return std::get<int>(value);
}

const QString &text(const TSettingValue &value)
{
    return std::get<QString>(value);
}

std::optional<TSettingValue> some(TSettingValue value)
{
    return value;
}

// A setting kept in a field of the main window of the same name.
template <typename T>
TSetting field(const char *name, T TSettingFields::*member, T fallback, TUsable usable = {})
{
    return {.name = QLatin1String(name),
            .type = typeOf<T>(),
            .fallback = [fallback](TfrmMain &) { return some(fallback); },
            .usable = std::move(usable),
            .load = [member](TfrmMain &window, const TSettingValue &value) {
                window.*member = std::get<T>(value);
            },
            .save = [member](TfrmMain &window) { return TSettingValue(window.*member); }};
}

// A setting of the reminder sound record.
template <typename T>
TSetting soundField(const char *name, T TReminderSoundInfo::*member, T fallback)
{
    return {.name = QLatin1String(name),
            .type = typeOf<T>(),
            .fallback = [fallback](TfrmMain &) { return some(fallback); },
            .load = [member](TfrmMain &window, const TSettingValue &value) {
                window.ReminderSoundInfo.*member = std::get<T>(value);
            },
            .save = [member](TfrmMain &window) { return TSettingValue(window.ReminderSoundInfo.*member); }};
}

TSetting readAs(TSettingReading reading, TSetting setting)
{
    setting.reading = reading;
    return setting;
}

// A sort toggle is a sign; any other number would stop the list's direction
// from ever changing, since every header click only negates it. It is written
// negated: start-up replays one header click on each list, which negates it
// again and restores the direction the list had at exit.
TSetting sortToggle(const char *name, int TSettingFields::*member)
{
    TSetting setting = field(name, member, 1, [](TfrmMain &, const TSettingValue &value) {
        return integer(value) == 1 || integer(value) == -1;
    });
    setting.save = [member](TfrmMain &window) { return TSettingValue(-(window.*member)); };
    setting.unchanged = [member](TfrmMain &window) { return TSettingValue(window.*member); };
    return setting;
}

TUsable positive()
{
    return [](TfrmMain &, const TSettingValue &value) { return integer(value) > 0; };
}

TUsable within(int first, int last)
{
    return [first, last](TfrmMain &, const TSettingValue &value) {
        return integer(value) >= first && integer(value) <= last;
    };
}

QString withoutTrailingDelimiter(const QString &folder)
{
    QString result = folder;
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

// A folder that is missing is kept: it may be on a drive that is not mounted
// or a share not yet synchronised, and start-up asks how to go on without it.
TUsable folderPath()
{
    return [](TfrmMain &, const TSettingValue &value) {
        const QFileInfo folder(withoutTrailingDelimiter(text(value)));
        return folder.isAbsolute() && (folder.isDir() || !folder.exists());
    };
}

// Until the window is first shown Qt has not laid out the splitter, and the
// panes have placeholder sizes. Laying the window out gives the editor pane
// the height it will be shown with.
void layOutBeforeShow(TfrmMain &window)
{
    if (window.pnlContents->testAttribute(Qt::WA_PendingResizeEvent)) {
        window.layout()->activate();
        window.Splitter1->refresh();
    }
}

int editorPaneHeight(TfrmMain &window)
{
    layOutBeforeShow(window);
    return window.pnlContents->height();
}

void setEditorPaneHeight(TfrmMain &window, int height)
{
    layOutBeforeShow(window);
    const QList<int> sizes = window.Splitter1->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    window.Splitter1->setSizes({height, qMax(total - height, 0)});
}

// The title, body and file-name fields always share one font; the body's
// font is the entry font the lists draw with.
void changeEditorFonts(TfrmMain &window, const std::function<void(QFont &)> &change)
{
    for (TRichEditURL *edit : {window.edtTitle, window.redNote, window.redFileName}) {
        QFont font = edit->font();
        change(font);
        edit->setFont(font);
    }
    window.EntryFont = window.redNote->font();
}

// The entry font's colour is the fields' text colour.
void setEditorTextColor(TfrmMain &window, const QColor &color)
{
    for (TRichEditURL *edit : {window.edtTitle, window.redNote, window.redFileName}) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, color);
        edit->setPalette(palette);
    }
}

int stylesOf(const QFont &font)
{
    using namespace FontStyleCode;
    return (font.bold() ? Bold : 0) | (font.italic() ? Italic : 0) | (font.underline() ? Underline : 0)
           | (font.strikeOut() ? StrikeOut : 0);
}

void setStyles(QFont &font, int styles)
{
    using namespace FontStyleCode;
    font.setBold(styles & Bold);
    font.setItalic(styles & Italic);
    font.setUnderline(styles & Underline);
    font.setStrikeOut(styles & StrikeOut);
}

// A font given in pixels has no point size of its own; the size it is shown
// with is stored instead.
int pointSizeOf(const QFont &font)
{
    return font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
}

// The largest interval in minutes whose milliseconds still fit the timer.
constexpr int longestAutoSaveMinutes = std::numeric_limits<int>::max() / 60000;

// A stored position within the widest span a window can have, so that the
// window's edges are still integers; start-up moves it onto a screen.
int coordinate(const TSettingValue &value)
{
    return std::clamp(integer(value), -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

std::vector<TSetting> buildTable()
{
    using R = TSettingReading;
    using T = TSettingType;
    std::vector<TSetting> table{
        {.name = QStringLiteral("ActiveTab"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &) { return some(0); },
         .usable = [](TfrmMain &w, const TSettingValue &v) { return integer(v) >= 0 && integer(v) < w.pgcData->count(); },
         .load = [](TfrmMain &w, const TSettingValue &v) { w.pgcData->setCurrentIndex(integer(v)); },
         .save = [](TfrmMain &w) { return TSettingValue(w.pgcData->currentIndex()); }},
        {.name = QStringLiteral("Top"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &w) { return some(w.y()); },
         .load = [](TfrmMain &w, const TSettingValue &v) { w.move(w.x(), coordinate(v)); },
         .save = [](TfrmMain &w) { return TSettingValue(w.y()); }},
        {.name = QStringLiteral("Left"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &w) { return some(w.x()); },
         .load = [](TfrmMain &w, const TSettingValue &v) { w.move(coordinate(v), w.y()); },
         .save = [](TfrmMain &w) { return TSettingValue(w.x()); }},
        {.name = QStringLiteral("Width"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &w) { return some(w.width()); },
         .usable = positive(),
         .load = [](TfrmMain &w, const TSettingValue &v) { w.resize(integer(v), w.height()); },
         .save = [](TfrmMain &w) { return TSettingValue(w.width()); }},
        {.name = QStringLiteral("Height"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &w) { return some(w.height()); },
         .usable = positive(),
         .load = [](TfrmMain &w, const TSettingValue &v) { w.resize(w.width(), integer(v)); },
         .save = [](TfrmMain &w) { return TSettingValue(w.height()); }},
        {.name = QStringLiteral("NotePanelHeight"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &w) { return some(editorPaneHeight(w)); },
         .usable = positive(),
         .load = [](TfrmMain &w, const TSettingValue &v) { setEditorPaneHeight(w, integer(v)); },
         .save = [](TfrmMain &w) { return TSettingValue(editorPaneHeight(w)); }},
        // Stored 0 normal, 1 minimized, 2 maximized; any other stored number
        // also means maximized. Leaving the tray never restores "minimized".
        {.name = QStringLiteral("FormState"),
         .reading = R::WrittenAtOnce,
         .fallback = [](TfrmMain &) { return some(0); },
         .load = [](TfrmMain &w, const TSettingValue &v) {
             const Qt::WindowState state = integer(v) == 0   ? Qt::WindowNoState
                                           : integer(v) == 1 ? Qt::WindowMinimized
                                                             : Qt::WindowMaximized;
             w.setWindowState(state);
             w.SavedWindowState = state == Qt::WindowMaximized ? Qt::WindowMaximized : Qt::WindowNoState;
         },
         // A window in the tray is stored in the state it comes back in.
         .save = [](TfrmMain &w) {
             if (!w.isVisible())
                 return TSettingValue(w.SavedWindowState & Qt::WindowMaximized ? 2 : 0);
             return TSettingValue(w.isMinimized() ? 1 : w.isMaximized() ? 2 : 0);
         }},
    };

    // Only the first three columns of the notes list keep their widths.
    const std::pair<const char *, int> columnWidths[] = {{"colDate", 0}, {"colTitle", 1}, {"colNote", 2}};
    for (const auto &[name, column] : columnWidths) {
        table.push_back({.name = QLatin1String(name),
                         .fallback = [](TfrmMain &) { return std::optional<TSettingValue>(); },
                         .usable = positive(),
                         .load = [column](TfrmMain &w, const TSettingValue &v) { w.lsvNotes->setColumnWidth(column, integer(v)); },
                         .save = [column](TfrmMain &w) { return TSettingValue(w.lsvNotes->columnWidth(column)); }});
    }

    // The entry font: face, colour, size and style, written from the fields.
    const auto keepDesigned = [](TfrmMain &) { return std::optional<TSettingValue>(); };
    table.insert(table.end(), {
        {.name = QStringLiteral("Font"),
         .type = T::String,
         .reading = R::FontFace,
         .fallback = keepDesigned,
         .usable = [](TfrmMain &, const TSettingValue &v) { return !text(v).trimmed().isEmpty(); },
         .load = [](TfrmMain &w, const TSettingValue &v) {
             changeEditorFonts(w, [&v](QFont &font) { font.setFamily(text(v)); });
         },
         .save = [](TfrmMain &w) { return TSettingValue(w.CurrentEntryFont().family()); }},
        {.name = QStringLiteral("fColor"),
         .reading = R::FontPart,
         .fallback = keepDesigned,
         .load = [](TfrmMain &w, const TSettingValue &v) { setEditorTextColor(w, ColorFromWindows(integer(v))); },
         .save = [](TfrmMain &w) { return TSettingValue(WindowsFromColor(w.edtTitle->palette().color(QPalette::Text))); }},
        {.name = QStringLiteral("fSize"),
         .reading = R::FontPart,
         .fallback = keepDesigned,
         .usable = positive(),
         .load = [](TfrmMain &w, const TSettingValue &v) {
             changeEditorFonts(w, [&v](QFont &font) { font.setPointSize(integer(v)); });
         },
         .save = [](TfrmMain &w) { return TSettingValue(pointSizeOf(w.edtTitle->font())); }},
        // A code that names no style set leaves the style as designed.
        {.name = QStringLiteral("fStyle"),
         .reading = R::FontPart,
         .fallback = keepDesigned,
         .usable = [](TfrmMain &, const TSettingValue &v) { return FontStyleCode::toStyles(integer(v)).has_value(); },
         .load = [](TfrmMain &w, const TSettingValue &v) {
             const int styles = *FontStyleCode::toStyles(integer(v));
             changeEditorFonts(w, [styles](QFont &font) { setStyles(font, styles); });
         },
         .save = [](TfrmMain &w) { return TSettingValue(FontStyleCode::fromStyles(stylesOf(w.edtTitle->font()))); }},
    });

    table.insert(table.end(), {
        field("CheckForUpdatesOnStartup", &TfrmMain::CheckForUpdatesOnStartup, false),
        field("AutoStartWithWindows", &TfrmMain::AutoStartWithWindows, false),
        field("StartMinimized", &TfrmMain::StartMinimized, false),
        field("AutoSave", &TfrmMain::AutoSave, false),
        // A zero or negative interval would make the autosave timer fire without pause.
        field("AutoSaveAfterTime", &TfrmMain::AutoSaveAfterTime, 15, within(1, longestAutoSaveMinutes)),
        field("LoadNotesOnSearch", &TfrmMain::LoadNotesOnSearch, false),
        field("UseAlternateLocation", &TfrmMain::UseAlternateLocation, false),
        field("ConfirmOnDelete", &TfrmMain::ConfirmOnDelete, false),
        {.name = QStringLiteral("TamselLocation"),
         .type = T::String,
         .fallback = [](TfrmMain &) { return some(Paths::withTrailingDelimiter(Paths::dataFolder())); },
         .usable = folderPath(),
         .load = [](TfrmMain &w, const TSettingValue &v) { w.TamselLocation = Paths::withTrailingDelimiter(text(v)); },
         // A run in the default folder in place of a missing one leaves the
         // user's folder stored, unless another folder was chosen meanwhile.
         .save = [](TfrmMain &w) {
             const bool stillInPlace = !w.MissingTamselLocation.isEmpty()
                                       && w.TamselLocation == Paths::withTrailingDelimiter(Paths::dataFolder());
             return TSettingValue(stillInPlace ? w.MissingTamselLocation : w.TamselLocation);
         }},
        {.name = QStringLiteral("AlternateLocation"),
         .type = T::String,
         .fallback = [](TfrmMain &w) { return some(w.TamselLocation); },
         .usable = folderPath(),
         .load = [](TfrmMain &w, const TSettingValue &v) { w.AlternateLocation = text(v); },
         .save = [](TfrmMain &w) { return TSettingValue(withoutTrailingDelimiter(w.AlternateLocation)); }},
        field("CloseOnMenuOnly", &TfrmMain::CloseOnMenuOnly, false),
        field("DefaultSearchSetting", &TfrmMain::DefaultSearchSetting, 1),
        sortToggle("NoteSortToggle", &TfrmMain::NoteSortToggle),
        field("NoteSortColumn", &TfrmMain::NoteSortColumn, 0, within(0, NoteColumn::Count - 1)),
        sortToggle("TaskSortToggle", &TfrmMain::TaskSortToggle),
        field("TaskSortColumn", &TfrmMain::TaskSortColumn, 0, within(0, TaskColumn::Count - 1)),
        field("CurrentColor", &TfrmMain::CurrentColor, 0),
        field("CompleteColor", &TfrmMain::CompleteColor, 12632256),
        field("OverdueColor", &TfrmMain::OverdueColor, 255),
        field("NevermindColor", &TfrmMain::NevermindColor, 255),
        field("DisplayReminders", &TfrmMain::DisplayReminders, true),
        field("StrikeoutComplete", &TfrmMain::StrikeoutComplete, true),
        field("SpellCheckerType", &TfrmMain::SpellCheckerType, 0),
        readAs(R::SpellingLanguage, field("SpellCheckerLanguage", &TfrmMain::SpellCheckerLanguage, 1)),
        field("CheckSpellingOnSave", &TfrmMain::CheckSpellingOnSave, false),
        field("DefaultSaveSetting", &TfrmMain::DefaultSaveSetting, 1),
        field("DefaultPrintSetting", &TfrmMain::DefaultPrintSetting, 1),
        // 0 keeps no backups; a negative count is no count at all.
        field("BackupCount", &TfrmMain::BackupCount, StoreBackups::DefaultCount,
              within(0, std::numeric_limits<int>::max())),
        soundField("PlaySoundOnReminder", &TReminderSoundInfo::PlaySoundOnReminder, false),
        soundField("UseDefaultSound", &TReminderSoundInfo::UseDefaultSound, true),
        soundField("AlternateSound", &TReminderSoundInfo::AlternateSound, QString()),
        field("ReminderNotifications", &TfrmMain::ReminderNotifications, true),
    });
    return table;
}

const TSetting &settingNamed(const char *name)
{
    for (const TSetting &setting : SettingsReadOrder()) {
        if (setting.name == QLatin1String(name))
            return setting;
    }
    throw std::logic_error(std::string("No setting named ") + name);
}
} // namespace

const std::vector<TSetting> &SettingsReadOrder()
{
    static const std::vector<TSetting> table = buildTable();
    return table;
}

const std::vector<const TSetting *> &SettingsWriteOrder()
{
    static const std::vector<const TSetting *> order = [] {
        std::vector<const TSetting *> result;
        for (const char *name :
             {"Top", "Left", "Width", "Height", "NotePanelHeight", "colDate", "colTitle", "colNote",
              "Font", "fColor", "NoteSortToggle", "NoteSortColumn", "TaskSortToggle", "TaskSortColumn",
              "ActiveTab", "CurrentColor", "CompleteColor", "OverdueColor", "NevermindColor",
              "DisplayReminders", "StrikeoutComplete", "PlaySoundOnReminder", "UseDefaultSound",
              "AlternateSound", "fSize", "fStyle", "FormState", "CheckForUpdatesOnStartup",
              "AutoStartWithWindows", "StartMinimized", "AutoSave", "AutoSaveAfterTime",
              "LoadNotesOnSearch", "UseAlternateLocation", "AlternateLocation", "TamselLocation",
              "CloseOnMenuOnly", "DefaultSearchSetting", "ConfirmOnDelete", "SpellCheckerType",
              "SpellCheckerLanguage", "CheckSpellingOnSave", "DefaultPrintSetting", "DefaultSaveSetting", "BackupCount",
              "ReminderNotifications"})
            result.push_back(&settingNamed(name));
        return result;
    }();
    return order;
}
