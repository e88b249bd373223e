#include "store/ByteDigest.h"

#include "diagnostics/Exception.h"

#include <xxhash.h>

namespace {
[[noreturn]] void fail() { throw ETamselError(QStringLiteral("A digest of the file could not be computed.")); }
} // namespace

void TByteDigest::TFree::operator()(XXH3_state_s *state) const { XXH3_freeState(state); }

TByteDigest::TByteDigest()
    : m_state(XXH3_createState())
{
    if (!m_state || XXH3_128bits_reset(m_state.get()) != XXH_OK)
        fail();
}

TByteDigest::~TByteDigest() = default;

void TByteDigest::addData(QByteArrayView data)
{
    if (XXH3_128bits_update(m_state.get(), data.data(), size_t(data.size())) != XXH_OK)
        fail();
}

QByteArray TByteDigest::result() const
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state.get()));
    return QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest);
}

QByteArray TByteDigest::of(QByteArrayView data)
{
    TByteDigest digest;
    digest.addData(data);
    return digest.result();
}
