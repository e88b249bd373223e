#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

// RC4 as the entry store uses it. The permutation is wiped (every byte set to
// 0xFF) when the cipher is destroyed, so no key material outlives one store
// operation.
class TRc4Cipher {
public:
    // Standard key schedule; the key holds 1 to 256 bytes.
    explicit TRc4Cipher(const QByteArray &key);
    ~TRc4Cipher();
    TRc4Cipher(const TRc4Cipher &) = delete;
    TRc4Cipher &operator=(const TRc4Cipher &) = delete;

    // Combines the bytes with the next keystream bytes (standard RC4 output).
    void Apply(char *data, qsizetype size);
    // Starts the two indexes again at 0; the permutation is kept.
    void ResetIndexes();

private:
    std::array<std::uint8_t, 256> m_state {};
    std::uint8_t m_i = 0;
    std::uint8_t m_j = 0;
};

namespace Rc4 {

// The store's blocks: the indexes start again at 0 every 8192 bytes while the
// permutation carries on. Files written under this rule can only be read with
// it, so the size is part of the file format.
inline constexpr qsizetype BlockSize = 8192;

// Encrypts or decrypts (the same operation) data in place under the key,
// block by block. A body of at most one block gets plain RC4.
void ApplyBlockedKeystream(const QByteArray &key, char *data, qsizetype size);
inline void ApplyBlockedKeystream(const QByteArray &key, QByteArray &data)
{
    ApplyBlockedKeystream(key, data.data(), data.size());
}

} // namespace Rc4

// The blocked keystream over a body handed over in pieces of any size.
class TRc4BlockedStream
{
public:
    explicit TRc4BlockedStream(const QByteArray &key) : m_cipher(key) {}
    void Apply(char *data, qsizetype size);

private:
    TRc4Cipher m_cipher;
    qsizetype m_offset = 0; // bytes done so far
};
