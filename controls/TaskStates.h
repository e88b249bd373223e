#pragma once

#include "store/TaskState.h"

#include <QFont>

// The font a task row in this state is drawn with. Open tasks (current,
// overdue, nevermind) are always regular; a complete task is struck through
// and nothing else while strikeoutComplete is on, and keeps the entry font's
// own style while it is off.
QFont TaskStateFont(TTaskState state, const QFont &entryFont, bool strikeoutComplete);
