#include "store/Sha256.h"

#include "diagnostics/Exception.h"

#include <openssl/evp.h>

namespace {
[[noreturn]] void fail() { throw ETamselError(QStringLiteral("A SHA-256 digest could not be computed.")); }
} // namespace

void TSha256::TFree::operator()(evp_md_ctx_st *context) const { EVP_MD_CTX_free(context); }

TSha256::TSha256()
    : m_context(EVP_MD_CTX_new())
{
    if (!m_context || !EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr))
        fail();
}

TSha256::~TSha256() = default;

void TSha256::addData(QByteArrayView data)
{
    if (!EVP_DigestUpdate(m_context.get(), data.data(), size_t(data.size())))
        fail();
}

QByteArray TSha256::result()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    if (!EVP_DigestFinal_ex(m_context.get(), reinterpret_cast<unsigned char *>(digest.data()), &size))
        fail();
    digest.truncate(qsizetype(size));
    return digest;
}

QByteArray TSha256::digest(QByteArrayView data)
{
    TSha256 sha;
    sha.addData(data);
    return sha.result();
}
