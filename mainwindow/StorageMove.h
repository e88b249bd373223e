#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// Asks for the passphrase of a store that the known one does not open: on a
// move to a folder that holds entries, or at start-up after the store's
// passphrase was changed elsewhere. Nothing when the user cancels; `retry`
// says that the passphrase typed before did not open it either.
std::optional<QString> AskStorePassPhrase(const QString &storePath, bool retry);

// Test seam for the question a move asks when the known passphrase does not
// open the entries found in the new folder: while answers are queued, no
// dialog is shown and the next answer is taken as typed (nothing: the user
// cancelled). With none queued, the unanswered handler, when one is set,
// answers in the dialog's place.
namespace StorePassPhraseSeam {
void setNextAnswers(const QList<std::optional<QString>> &answers);
bool hasPendingAnswers();
using TUnansweredHandler = std::function<std::optional<QString>()>;
// Returns the handler set before.
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);
} // namespace StorePassPhraseSeam
