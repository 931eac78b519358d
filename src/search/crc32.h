#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

namespace Duovue
{

/// The reflected CRC-32 of IEEE 802.3 (CRC-32/ISO-HDLC, polynomial 0xEDB88320): "123456789" gives
/// CBF43926, no bytes give 00000000.
///
/// Stateless apart from the running value, so any number of threads may each hash with their own
/// object; the lookup tables are built once for the whole program and only read afterwards.
class Crc32
{
public:
    Crc32() = default;

    /// Adds @p length bytes to the running CRC.
    void update(const void *data, std::size_t length);
    void update(const QByteArray &bytes) { update(bytes.constData(), static_cast<std::size_t>(bytes.size())); }

    /// The CRC of everything added so far.
    std::uint32_t value() const { return ~m_register; }
    void reset() { m_register = 0xFFFFFFFFu; }

    /// One-shot CRC of a buffer.
    static std::uint32_t of(const void *data, std::size_t length);
    static std::uint32_t of(const QByteArray &bytes)
    {
        return of(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }

    /// The key text of a CRC: eight upper-case hexadecimal digits, leading zeros kept ("%08X").
    static QString keyText(std::uint32_t crc);

    /// True when the carry-less multiply path is in use on this processor.
    static bool usesCarrylessMultiply();

    /// The portable table path only, for tests that compare the two paths.
    static std::uint32_t updateTable(std::uint32_t reg, const unsigned char *data, std::size_t length);

private:
    std::uint32_t m_register = 0xFFFFFFFFu;
};

} // namespace Duovue
