#include "store/StoreStamp.h"

#include "store/ByteDigest.h"
#include "store/StoreFile.h"

TStoreStamp TStoreStamp::of(const TFileIdentity &identity, QByteArrayView bytes)
{
    return { identity, TByteDigest::of(bytes) };
}

bool StoreStamp::Changed(const QString &path, TStoreStamp &stamp)
{
    if (!stamp.known())
        return false;
    const TFileIdentity now = FileIdentity(path);
    if (now == stamp.identity)
        return false;
    if (!now.exists())
        return true;
    TFileIdentity read;
    const QByteArray bytes = ReadRegularFile(path, StoreFile::MaxFileSize, &read);
    if (TByteDigest::of(bytes) != stamp.digest)
        return true;
    stamp.identity = read;
    return false;
}
