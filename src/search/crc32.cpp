#include "search/crc32.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DUOVUE_CRC_CLMUL 1
#endif

namespace Duovue
{

namespace
{

constexpr std::uint32_t Polynomial = 0xEDB88320u;

// Sixteen tables for slicing-by-16: table k maps a byte to its CRC contribution when k more zero
// bytes follow it, so sixteen input bytes fold into the register with sixteen independent lookups.
struct Tables {
    std::array<std::array<std::uint32_t, 256>, 16> t{};
    Tables()
    {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ Polynomial : c >> 1;
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            for (int k = 1; k < 16; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
    }
};

const Tables &tables()
{
    static const Tables instance;
    return instance;
}

inline std::uint32_t load32(const unsigned char *p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v; // little-endian machines only; the byte order is checked in updateTable
}

#ifdef DUOVUE_CRC_CLMUL

// Folding with carry-less multiplication: the message is consumed 64 bytes at a time in four
// 128-bit lanes, each lane multiplied forward by x^512 modulo the polynomial (split into two
// 64-bit halves with the constants x^544 and x^480, bit-reflected), then the four lanes are folded
// into one with x^160 / x^96. The last 128-bit value is reduced by the table path: it stands for
// sixteen message bytes that a zero register runs over. The constants were derived from the
// polynomial; the unit tests compare this path with the table path on every length up to 600.
__attribute__((target("pclmul,sse4.1"))) inline __m128i load(const unsigned char *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i x, __m128i k, __m128i next)
{
    const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

__attribute__((target("pclmul,sse4.1"))) std::uint32_t updateClmul(
    std::uint32_t reg, const unsigned char *data, std::size_t length, std::size_t *consumed)
{
    *consumed = 0;
    if (length < 64)
        return reg;
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);

    __m128i x0 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x1 = load(data + 16);
    __m128i x2 = load(data + 32);
    __m128i x3 = load(data + 48);
    const unsigned char *p = data + 64;
    std::size_t left = length - 64;
    while (left >= 64) {
        x0 = fold(x0, k1k2, load(p));
        x1 = fold(x1, k1k2, load(p + 16));
        x2 = fold(x2, k1k2, load(p + 32));
        x3 = fold(x3, k1k2, load(p + 48));
        p += 64;
        left -= 64;
    }
    x0 = fold(x0, k3k4, x1);
    x0 = fold(x0, k3k4, x2);
    x0 = fold(x0, k3k4, x3);
    while (left >= 16) {
        x0 = fold(x0, k3k4, load(p));
        p += 16;
        left -= 16;
    }
    alignas(16) unsigned char rest[16];
    _mm_store_si128(reinterpret_cast<__m128i *>(rest), x0);
    *consumed = static_cast<std::size_t>(p - data);
    return Crc32::updateTable(0, rest, 16);
}

bool detectClmul()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

#endif

} // namespace

std::uint32_t Crc32::updateTable(std::uint32_t reg, const unsigned char *data, std::size_t length)
{
    const auto &t = tables().t;
    if constexpr (std::endian::native == std::endian::little) {
        while (length >= 16) {
            const std::uint32_t a = load32(data) ^ reg;
            const std::uint32_t b = load32(data + 4);
            const std::uint32_t c = load32(data + 8);
            const std::uint32_t d = load32(data + 12);
            reg = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^ t[11][b & 0xFF]
                ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^ t[7][c & 0xFF]
                ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^ t[3][d & 0xFF]
                ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
            data += 16;
            length -= 16;
        }
    }
    while (length--)
        reg = (reg >> 8) ^ t[0][(reg ^ *data++) & 0xFF];
    return reg;
}

bool Crc32::usesCarrylessMultiply()
{
#ifdef DUOVUE_CRC_CLMUL
    static const bool available = detectClmul();
    return available;
#else
    return false;
#endif
}

void Crc32::update(const void *data, std::size_t length)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
#ifdef DUOVUE_CRC_CLMUL
    if (length >= 64 && usesCarrylessMultiply()) {
        std::size_t consumed = 0;
        m_register = updateClmul(m_register, bytes, length, &consumed);
        bytes += consumed;
        length -= consumed;
    }
#endif
    m_register = updateTable(m_register, bytes, length);
}

std::uint32_t Crc32::of(const void *data, std::size_t length)
{
    Crc32 crc;
    crc.update(data, length);
    return crc.value();
}

QString Crc32::keyText(std::uint32_t crc)
{
    static const char digits[] = "0123456789ABCDEF";
    char text[8];
    for (int i = 7; i >= 0; --i) {
        text[i] = digits[crc & 0xF];
        crc >>= 4;
    }
    return QString::fromLatin1(text, 8);
}

} // namespace Duovue
