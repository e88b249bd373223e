#include "store/HmacSha256.h"

#include "diagnostics/Exception.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace {
[[noreturn]] void fail() { throw ETamselError(QStringLiteral("The integrity check could not be computed.")); }
} // namespace

void THmacSha256::TFree::operator()(evp_mac_ctx_st *context) const { EVP_MAC_CTX_free(context); }

THmacSha256::THmacSha256(const QByteArray &key)
{
    EVP_MAC *mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (!mac)
        fail();
    m_context.reset(EVP_MAC_CTX_new(mac));
    EVP_MAC_free(mac);
    char digest[] = "SHA256";
    const OSSL_PARAM parameters[] = { OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end() };
    if (!m_context
        || !EVP_MAC_init(m_context.get(), reinterpret_cast<const unsigned char *>(key.constData()),
            size_t(key.size()), parameters))
        fail();
}

THmacSha256::~THmacSha256() = default;

void THmacSha256::addData(QByteArrayView data)
{
    if (!EVP_MAC_update(m_context.get(), reinterpret_cast<const unsigned char *>(data.data()), size_t(data.size())))
        fail();
}

QByteArray THmacSha256::result()
{
    QByteArray code(32, Qt::Uninitialized);
    size_t size = 0;
    if (!EVP_MAC_final(m_context.get(), reinterpret_cast<unsigned char *>(code.data()), &size, size_t(code.size()))
        || size != size_t(code.size()))
        fail();
    return code;
}

void ReleaseCryptoThreadState()
{
    OPENSSL_thread_stop();
}
