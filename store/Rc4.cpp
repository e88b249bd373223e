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
    for (qsizetype n = 0; n < size; ++n) {
        m_i = std::uint8_t(m_i + 1);
        m_j = std::uint8_t(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        data[n] = char(std::uint8_t(data[n]) ^ m_state[std::uint8_t(m_state[m_i] + m_state[m_j])]);
    }
}

void TRc4Cipher::ResetIndexes()
{
    m_i = 0;
    m_j = 0;
}

void Rc4::ApplyBlockedKeystream(const QByteArray &key, QByteArray &data)
{
    TRc4Cipher cipher(key);
    char *bytes = data.data();
    for (qsizetype start = 0; start < data.size(); start += BlockSize) {
        cipher.ResetIndexes();
        cipher.Apply(bytes + start, std::min(BlockSize, data.size() - start));
    }
}
