#include "store/StoreReKey.h"

#include "store/StoreFile.h"
#include "store/StoreLock.h"
#include "store/XmlDocument.h"

TStoreStamp StoreReKey::ReEncryptStore(const QString &path, const QString &currentPassPhrase,
    const QString &newPassPhrase, TXmlDocument &document)
{
    // What is read and what replaces it are one step: another writer waits.
    const TStoreLock lock(path);
    StoreFile::OpenStoreWithPassPhrase(path, currentPassPhrase, document, StoreFile::TBodyUse::DocumentOnly);
    return StoreFile::SaveStore(path, StoreFile::PassPhraseBytes(newPassPhrase), document);
}
