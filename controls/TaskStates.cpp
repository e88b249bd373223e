#include "controls/TaskStates.h"

namespace {
QFont withStyle(QFont font, bool struckOut)
{
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(struckOut);
    return font;
}
} // namespace

QFont TaskStateFont(TTaskState state, const QFont &entryFont, bool strikeoutComplete)
{
    if (state != TTaskState::Complete)
        return withStyle(entryFont, false);
    return strikeoutComplete ? withStyle(entryFont, true) : entryFont;
}
