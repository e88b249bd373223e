#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

struct XXH3_state_s;

// A 128-bit XXH3 digest of bytes fed piece by piece: enough to tell one
// version of a file from another that no one made to collide, and fast
// enough (tens of gigabytes a second) to take along on every read and write
// of a store of tens of megabytes.
class TByteDigest
{
public:
    TByteDigest();
    ~TByteDigest();
    TByteDigest(const TByteDigest &) = delete;
    TByteDigest &operator=(const TByteDigest &) = delete;

    void addData(QByteArrayView data);
    // The 16-byte digest of everything added.
    QByteArray result() const;

    static QByteArray of(QByteArrayView data);

private:
    struct TFree {
        void operator()(XXH3_state_s *state) const;
    };
    std::unique_ptr<XXH3_state_s, TFree> m_state;
};
