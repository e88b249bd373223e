#include "mainwindow/FontChoice.h"

#include <QFontDialog>

namespace {
QList<std::optional<QFont>> &queuedChoices()
{
    static QList<std::optional<QFont>> choices;
    return choices;
}
QList<QFont> &initialFonts()
{
    static QList<QFont> fonts;
    return fonts;
}
} // namespace

std::optional<QFont> ChooseFont(const QFont &initial, QWidget *parent)
{
    if (!queuedChoices().isEmpty()) {
        initialFonts().append(initial);
        return queuedChoices().takeFirst();
    }
    bool confirmed = false;
    const QFont chosen = QFontDialog::getFont(&confirmed, initial, parent);
    if (!confirmed)
        return std::nullopt;
    return chosen;
}

void FontChoiceSeam::setNextChoices(const QList<std::optional<QFont>> &choices) { queuedChoices() = choices; }

QList<QFont> FontChoiceSeam::takeInitialFonts() { return std::exchange(initialFonts(), {}); }
