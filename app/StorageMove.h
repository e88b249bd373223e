#pragma once

#include <QList>
#include <QString>
#include <optional>

// Asks for the passphrase of a store that the known passphrase does not
// open; nothing when the user cancels.
std::optional<QString> AskStorePassPhrase(const QString &storePath, bool retry);

// Test seam: while answers are queued, AskStorePassPhrase shows nothing and
// returns the next one (nothing: the user cancelled).
namespace StorePassPhraseSeam {
void setNextAnswers(const QList<std::optional<QString>> &answers);
bool hasPendingAnswers();
} // namespace StorePassPhraseSeam
