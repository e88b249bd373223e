#pragma once

#include "platform/RegularFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The store file as this program last read or wrote it: its identity and the
// digest of its bytes (store/ByteDigest.h). Another writer (a second copy of
// the program, a sync client, a restored backup) shows as a file that no
// longer matches.
struct TStoreStamp {
    TFileIdentity identity;
    QByteArray digest;

    static TStoreStamp of(const TFileIdentity &identity, QByteArrayView bytes);
    bool known() const { return !digest.isEmpty(); }
};

namespace StoreStamp {
// Whether the file at path holds other bytes than the stamp's. An unchanged
// identity costs one look at the file's status; a changed one (a copy, a
// touch, a rewrite) is read and its digest compared, and a file whose bytes
// are the stamp's takes its new identity into the stamp. A missing file
// counts as changed; nothing counts as changed against a stamp not yet
// known (a document that never came from the file). Raises ETamselError when the file cannot be looked at
// or read.
bool Changed(const QString &path, TStoreStamp &stamp);
} // namespace StoreStamp
