#include "store/StoreStamp.h"

#include "store/Sha256.h"
#include "store/StoreFile.h"

TStoreStamp TStoreStamp::of(const TFileIdentity &identity, QByteArrayView bytes)
{
    return { identity, TSha256::digest(bytes) };
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
    if (TSha256::digest(bytes) != stamp.digest)
        return true;
    stamp.identity = read;
    return false;
}
