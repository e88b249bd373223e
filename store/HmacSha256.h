#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

struct evp_mac_ctx_st;

// HMAC-SHA-256 fed piece by piece, through libcrypto: its SHA-256 uses the
// processor's hash instructions, several times as fast as the portable one,
// which matters when a store of tens of megabytes is checked on every open
// and every save.
class THmacSha256
{
public:
    explicit THmacSha256(const QByteArray &key);
    ~THmacSha256();
    THmacSha256(const THmacSha256 &) = delete;
    THmacSha256 &operator=(const THmacSha256 &) = delete;

    void addData(QByteArrayView data);
    // The 32-byte code of everything added.
    QByteArray result();

private:
    struct TFree {
        void operator()(evp_mac_ctx_st *context) const;
    };
    std::unique_ptr<evp_mac_ctx_st, TFree> m_context;
};

// Lets go of what libcrypto keeps for the calling thread (its error queue). A
// thread of a pool, which may still be waiting for work when the program
// ends, calls this when a job that used HMAC is done.
void ReleaseCryptoThreadState();
