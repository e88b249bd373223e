#pragma once

#include "store/StoreStamp.h"

#include <QString>

class TXmlDocument;

// Changing the passphrase a store file is encrypted with.
namespace StoreReKey {

// Opens the store at path with the current passphrase and writes its entries
// back under the new one (its UTF-8 bytes) and a fresh salt, holding the
// store's lock from the reading to the rename. The file is replaced
// atomically, so a failure at any step leaves the old store whole and opening
// with the current passphrase. Raises what StoreFile::OpenStoreWithPassPhrase
// raises when the current passphrase does not open the store (EStoreOpenError,
// EStoreDamaged), EStoreBusy when another writer holds the lock too long, and
// ETamselError when the new store cannot be written. The document receives
// the entries written; returns the stamp of the store written.
TStoreStamp ReEncryptStore(const QString &path, const QString &currentPassPhrase, const QString &newPassPhrase,
    TXmlDocument &document);

} // namespace StoreReKey
