#pragma once

#include "store/XmlDocument.h"

#include <QByteArray>

// The store of the crash campaign: 20,000 entries, notes and tasks, whose
// every entry differs between generation 0 and generation 1, so that a store
// holding parts of both is told apart from either.
namespace CrashStore {

inline constexpr int EntryCount = 20000;
inline const QByteArray PassPhrase = QByteArrayLiteral("crash campaign");

void Build(int generation, TXmlDocument &document);

} // namespace CrashStore
