#include "store/Rc4.h"

#include "diagnostics/Exception.h"

#include <algorithm>
#include <utility>

TRc4Cipher::TRc4Cipher(const QByteArray &key)
{
    if (key.isEmpty() || key.size() > 256)
        throw ETamselError(QStringLiteral("An RC4 key holds 1 to 256 bytes, not %1.").arg(key.size()));
    for (int k = 0; k < 256; ++k)
        m_state[size_t(k)] = std::uint8_t(k);
    std::uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
        j = std::uint8_t(j + m_state[size_t(k)] + std::uint8_t(key[k % key.size()]));
        std::swap(m_state[size_t(k)], m_state[j]);
    }
}

TRc4Cipher::~TRc4Cipher()
{
    // Written through a volatile pointer so the compiler cannot drop the wipe
    // of an object that is about to die.
    volatile std::uint8_t *state = m_state.data();
    for (size_t k = 0; k < m_state.size(); ++k)
        state[k] = 0xFF;
    m_i = 0;
    m_j = 0;
}

void TRc4Cipher::Apply(char *data, qsizetype size)
{
    // The indexes live in locals: written through a char pointer, the data
    // could alias the members, and the compiler would reload them per byte.
    std::uint8_t *const state = m_state.data();
    auto *bytes = reinterpret_cast<std::uint8_t *>(data);
    std::uint8_t i = m_i;
    std::uint8_t j = m_j;
    for (qsizetype n = 0; n < size; ++n) {
        i = std::uint8_t(i + 1);
        const std::uint8_t si = state[i];
        j = std::uint8_t(j + si);
        const std::uint8_t sj = state[j];
        state[i] = sj;
        state[j] = si;
        bytes[n] ^= state[std::uint8_t(si + sj)];
    }
    m_i = i;
    m_j = j;
}

void TRc4Cipher::ResetIndexes()
{
    m_i = 0;
    m_j = 0;
}

void TRc4BlockedStream::Apply(char *data, qsizetype size)
{
    while (size > 0) {
        const qsizetype intoBlock = m_offset % Rc4::BlockSize;
        if (intoBlock == 0)
            m_cipher.ResetIndexes();
        const qsizetype piece = std::min(size, Rc4::BlockSize - intoBlock);
        m_cipher.Apply(data, piece);
        data += piece;
        size -= piece;
        m_offset += piece;
    }
}

void Rc4::ApplyBlockedKeystream(const QByteArray &key, char *data, qsizetype size)
{
    TRc4BlockedStream(key).Apply(data, size);
}
