#pragma once

#include <QList>
#include <QString>
#include <optional>

// Test seam for the question a move asks when the known passphrase does not
// open the entries found in the new folder: while answers are queued, no
// dialog is shown and the next answer is taken as typed (nothing: the user
// cancelled).
namespace StorePassPhraseSeam {
void setNextAnswers(const QList<std::optional<QString>> &answers);
bool hasPendingAnswers();
} // namespace StorePassPhraseSeam
