#pragma once

#include <QFont>
#include <QList>
#include <optional>

class QWidget;

// The font dialog of the Font command, starting with the given font. No value
// when the user cancels.
std::optional<QFont> ChooseFont(const QFont &initial, QWidget *parent);

// Test seam: while choices are queued, ChooseFont shows no dialog and returns
// the next one (no value: the user cancelled), recording the starting font.
namespace FontChoiceSeam {
void setNextChoices(const QList<std::optional<QFont>> &choices);
// Starting fonts of the dialogs asked since the last take, oldest first.
QList<QFont> takeInitialFonts();
} // namespace FontChoiceSeam
