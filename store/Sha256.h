#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

struct evp_md_ctx_st;

// SHA-256 fed piece by piece, through libcrypto (with the processor's hash
// instructions where it has them).
class TSha256
{
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256 &) = delete;
    TSha256 &operator=(const TSha256 &) = delete;

    void addData(QByteArrayView data);
    // The 32-byte digest of everything added.
    QByteArray result();

    static QByteArray digest(QByteArrayView data);

private:
    struct TFree {
        void operator()(evp_md_ctx_st *context) const;
    };
    std::unique_ptr<evp_md_ctx_st, TFree> m_context;
};
