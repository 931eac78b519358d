#include "search/similardescriptor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "search/boxreducer.h"

namespace Duovue
{

// The similar method keeps one descriptor per picture in memory while it matches: at most 1 KiB.
static_assert(sizeof(SimilarDescriptor) <= 1024);
static_assert(SimilarDescriptor::SerializedSize <= 1024);

namespace
{

constexpr int HashSide = 11; // the lowest frequencies the hashes look at, per direction
constexpr int HashBits = 64;
constexpr int LumaTop = (1 << (SimilarDescriptor::LumaBits - 1)) - 1; // codes -64 .. 63
constexpr int ChromaTop = (1 << (SimilarDescriptor::ChromaBits - 1)) - 1; // codes -32 .. 31
constexpr double LumaStep = SimilarDescriptor::LumaRange / (LumaTop + 1);

using Cosines = std::array<std::array<double, SimilarDescriptor::Side>, HashSide>;
using Coefficients = std::array<double, HashBits>;

const Cosines &cosines()
{
    static const Cosines table = [] {
        Cosines c{};
        constexpr double pi = 3.14159265358979323846;
        for (int u = 0; u < HashSide; ++u) {
            for (int x = 0; x < SimilarDescriptor::Side; ++x)
                c[std::size_t(u)][std::size_t(x)] = std::cos((2 * x + 1) * u * pi / (2 * SimilarDescriptor::Side));
        }
        return c;
    }();
    return table;
}

// The 64 lowest cosine coefficients of the thumbnail, by diagonal u + v and then by u, without
// the mean.
Coefficients lowFrequencies(const std::array<double, SimilarDescriptor::Cells> &y)
{
    constexpr int n = SimilarDescriptor::Side;
    const Cosines &c = cosines();
    std::array<std::array<double, HashSide>, n> rows{}; // rows[y][u]
    for (int row = 0; row < n; ++row) {
        for (int u = 0; u < HashSide; ++u) {
            double sum = 0;
            for (int x = 0; x < n; ++x)
                sum += y[std::size_t(row * n + x)] * c[std::size_t(u)][std::size_t(x)];
            rows[std::size_t(row)][std::size_t(u)] = sum;
        }
    }
    Coefficients out{};
    int k = 0;
    for (int diagonal = 1; k < HashBits; ++diagonal) {
        for (int u = 0; u <= diagonal && k < HashBits; ++u) {
            const int v = diagonal - u;
            if (u >= HashSide || v >= HashSide)
                continue;
            double sum = 0;
            for (int row = 0; row < n; ++row)
                sum += rows[std::size_t(row)][std::size_t(u)] * c[std::size_t(v)][std::size_t(row)];
            out[std::size_t(k++)] = sum;
        }
    }
    return out;
}

std::uint64_t medianHash(const Coefficients &c)
{
    Coefficients sorted = c;
    std::sort(sorted.begin(), sorted.end());
    const double median = (sorted[HashBits / 2 - 1] + sorted[HashBits / 2]) / 2;
    std::uint64_t hash = 0;
    for (int i = 0; i < HashBits; ++i) {
        if (c[std::size_t(i)] > median)
            hash |= std::uint64_t(1) << i;
    }
    return hash;
}

// Signs of the coefficient vector against 64 fixed random +1/-1 directions: pictures whose
// normalised thumbnails differ by a small angle differ in few bits, however smooth they are.
std::uint64_t planeHash(const Coefficients &c)
{
    static const std::array<std::uint64_t, HashBits> directions = [] {
        std::array<std::uint64_t, HashBits> d{};
        std::uint64_t state = 0x5DEECE66DULL; // splitmix64: the same directions on every platform
        for (std::uint64_t &bits : d) {
            state += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = state;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            bits = z ^ (z >> 31);
        }
        return d;
    }();
    std::uint64_t hash = 0;
    for (int k = 0; k < HashBits; ++k) {
        double sum = 0;
        for (int j = 0; j < HashBits; ++j)
            sum += (directions[std::size_t(k)] >> j & 1) ? c[std::size_t(j)] : -c[std::size_t(j)];
        if (sum > 0)
            hash |= std::uint64_t(1) << k;
    }
    return hash;
}

template <std::size_t N> void putCode(std::array<std::uint8_t, N> &out, int index, int bits, unsigned code)
{
    const auto at = static_cast<std::size_t>(index * bits);
    for (int b = 0; b < bits; ++b) {
        const std::size_t bit = at + std::size_t(b);
        if ((code >> b & 1) && bit / 8 < N)
            out[bit / 8] |= static_cast<std::uint8_t>(1 << (bit % 8));
    }
}

template <std::size_t N> unsigned getCode(const std::array<std::uint8_t, N> &in, int index, int bits)
{
    const int at = index * bits;
    // Two bytes hold any code of up to 9 bits at any bit position; the last code may end the array.
    const int byte = at / 8;
    unsigned window = in[std::size_t(byte)];
    if (std::size_t(byte + 1) < N)
        window |= unsigned(in[std::size_t(byte + 1)]) << 8;
    return (window >> (at % 8)) & ((1u << bits) - 1);
}

template <typename T> void putLe(QByteArray &out, T value, int bytes)
{
    const auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint64_t getLe(const unsigned char *p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint64_t(p[i]) << (8 * i);
    return v;
}

std::uint16_t fixed(double levels)
{
    return static_cast<std::uint16_t>(std::lround(std::clamp(levels, 0.0, 255.0) * 256));
}

} // namespace

SimilarDescriptor SimilarDescriptor::fromReduction(const BoxReducer &reducer, int width, int height)
{
    Q_ASSERT(reducer.size() == Side);
    SimilarDescriptor d;
    d.width = width;
    d.height = height;

    // Luminance and colour differences as JPEG defines them, so that a grey JPEG copy keeps the
    // luminance of its colour original.
    std::array<double, Cells> y{};
    std::array<double, Cells * 3> rgb{};
    double sum = 0;
    for (int i = 0; i < Cells; ++i) {
        for (int ch = 0; ch < 3; ++ch)
            rgb[std::size_t(i * 3 + ch)] = reducer.average(i / Side, i % Side, ch);
        y[std::size_t(i)] =
            0.299 * rgb[std::size_t(i * 3)] + 0.587 * rgb[std::size_t(i * 3 + 1)] + 0.114 * rgb[std::size_t(i * 3 + 2)];
        sum += y[std::size_t(i)];
    }
    const double mean = sum / Cells;
    double squares = 0;
    for (double v : y)
        squares += (v - mean) * (v - mean);
    const double deviation = std::sqrt(squares / Cells);
    d.mean = fixed(mean);
    d.deviation = fixed(deviation);

    const double scale = std::max(deviation, DeviationFloor) * LumaStep;
    for (int i = 0; i < Cells; ++i) {
        const long code = std::clamp<long>(std::lround((y[std::size_t(i)] - mean) / scale), -LumaTop - 1, LumaTop);
        putCode(d.luma, i, LumaBits, static_cast<unsigned>(code + LumaTop + 1));
    }

    // Each colour cell is the mean of 2 x 2 luminance cells.
    std::array<double, 2 * ChromaCells> colour{};
    double most = 0;
    for (int row = 0; row < ChromaSide; ++row) {
        for (int col = 0; col < ChromaSide; ++col) {
            double r = 0, g = 0, b = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const std::size_t i = std::size_t((row * 2 + dy) * Side + col * 2 + dx) * 3;
                    r += rgb[i];
                    g += rgb[i + 1];
                    b += rgb[i + 2];
                }
            }
            const std::size_t i = std::size_t(row * ChromaSide + col);
            colour[i] = (-0.168736 * r - 0.331264 * g + 0.5 * b) / 4;
            colour[ChromaCells + i] = (0.5 * r - 0.418688 * g - 0.081312 * b) / 4;
            most = std::max({most, std::abs(colour[i]), std::abs(colour[ChromaCells + i])});
        }
    }
    // Chroma subsampling and palettes leave a trace of colour in a grey picture, never this much.
    if (most < 3.0)
        d.flags |= Grey;
    // The codes span the strongest colour of the picture (at least 8 levels), so that a pale
    // picture keeps its faint colours.
    d.chromaRange = fixed(std::max(most, 8.0));
    const double chromaStep = d.chromaRange / 256.0 / ChromaTop;
    for (int i = 0; i < 2 * ChromaCells; ++i) {
        const long code = std::clamp<long>(std::lround(colour[std::size_t(i)] / chromaStep), -ChromaTop - 1, ChromaTop);
        putCode(d.chroma, i, ChromaBits, static_cast<unsigned>(code + ChromaTop + 1));
    }

    const Coefficients low = lowFrequencies(y);
    d.hash = medianHash(low);
    d.shapeHash = planeHash(low);
    return d;
}

std::array<float, SimilarDescriptor::Cells> SimilarDescriptor::normalisedLuma() const
{
    std::array<float, Cells> out{};
    for (int i = 0; i < Cells; ++i)
        out[std::size_t(i)] = float((int(getCode(luma, i, LumaBits)) - LumaTop - 1) * LumaStep);
    return out;
}

std::array<float, 2 * SimilarDescriptor::ChromaCells> SimilarDescriptor::colourDifferences() const
{
    std::array<float, 2 * ChromaCells> out{};
    const double step = chromaRange / 256.0 / ChromaTop;
    for (int i = 0; i < 2 * ChromaCells; ++i)
        out[std::size_t(i)] = float((int(getCode(chroma, i, ChromaBits)) - ChromaTop - 1) * step);
    return out;
}

QByteArray SimilarDescriptor::toBytes() const
{
    QByteArray out;
    out.reserve(SerializedSize);
    putLe(out, Version, 1);
    putLe(out, flags, 1);
    putLe(out, mean, 2);
    putLe(out, deviation, 2);
    putLe(out, chromaRange, 2);
    putLe(out, static_cast<std::uint32_t>(width), 4);
    putLe(out, static_cast<std::uint32_t>(height), 4);
    putLe(out, hash, 8);
    putLe(out, shapeHash, 8);
    out.append(reinterpret_cast<const char *>(luma.data()), qsizetype(luma.size()));
    out.append(reinterpret_cast<const char *>(chroma.data()), qsizetype(chroma.size()));
    Q_ASSERT(out.size() == SerializedSize);
    return out;
}

std::optional<SimilarDescriptor> SimilarDescriptor::fromBytes(QByteArrayView bytes)
{
    if (bytes.size() != SerializedSize)
        return std::nullopt;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    if (p[0] != Version)
        return std::nullopt;
    SimilarDescriptor d;
    d.flags = p[1];
    d.mean = static_cast<std::uint16_t>(getLe(p + 2, 2));
    d.deviation = static_cast<std::uint16_t>(getLe(p + 4, 2));
    d.chromaRange = static_cast<std::uint16_t>(getLe(p + 6, 2));
    d.width = static_cast<std::int32_t>(getLe(p + 8, 4));
    d.height = static_cast<std::int32_t>(getLe(p + 12, 4));
    d.hash = getLe(p + 16, 8);
    d.shapeHash = getLe(p + 24, 8);
    std::copy_n(p + HeaderBytes, d.luma.size(), d.luma.begin());
    std::copy_n(p + HeaderBytes + d.luma.size(), d.chroma.size(), d.chroma.begin());
    return d;
}

namespace
{

// The compact form is the header of toBytes() and then each plane's codes, each as its difference
// from a guess made of its left, upper and upper-left neighbours (the median rule of lossless
// image coders), written as a Rice code whose parameter follows the differences met so far among
// cells of like surroundings, as JPEG-LS does. A photograph's thumbnail is smooth, so most
// differences take a few bits; the form is then about two thirds of toBytes().

// A difference whose Rice code would take this many leading ones is written in full instead.
constexpr int EscapeAfter = 20;

// Writes codes least significant bit first, one after another: the bit stream of the compact form
// and the packing of the luma and chroma arrays alike.
template <typename Sink> class BitWriter
{
public:
    explicit BitWriter(Sink sink)
        : m_sink(sink)
    {
    }
    void put(unsigned value, int bits)
    {
        m_bits |= std::uint64_t(value) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_sink(std::uint8_t(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    void ones(int count)
    {
        for (; count > 0; count -= 16)
            put((1u << std::min(count, 16)) - 1, std::min(count, 16));
    }
    void finish()
    {
        if (m_count > 0)
            m_sink(std::uint8_t(m_bits & 0xFF));
        m_bits = 0;
        m_count = 0;
    }

private:
    Sink m_sink;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

class BitReader
{
public:
    BitReader(const unsigned char *begin, const unsigned char *end)
        : m_at(begin)
        , m_end(end)
    {
    }
    /// False once the bytes ran out.
    bool get(int bits, unsigned &value)
    {
        refill();
        if (m_count < bits)
            return false;
        value = unsigned(m_bits & ((std::uint64_t(1) << bits) - 1));
        take(bits);
        return true;
    }
    /// The number of leading ones, up to @p most, and the zero after them when fewer; -1 when the
    /// bytes ran out first.
    int ones(int most)
    {
        refill();
        const int run = std::countr_one(m_bits);
        if (run >= most && m_count >= most) {
            take(most);
            return most;
        }
        if (run >= m_count)
            return -1; // the refill stops short only at the end
        take(run + 1);
        return run;
    }
    /// Every byte was used, and what is left of the last one is padding.
    bool atEnd() const { return m_at == m_end && m_count < 8 && m_bits == 0; }

private:
    void refill()
    {
        while (m_count <= 56 && m_at != m_end) {
            m_bits |= std::uint64_t(*m_at++) << m_count;
            m_count += 8;
        }
    }
    void take(int bits)
    {
        m_bits = bits == 64 ? 0 : m_bits >> bits;
        m_count -= bits;
    }

    const unsigned char *m_at;
    const unsigned char *m_end;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

// The Rice parameter of each class of surroundings, from the sum and count of the differences met.
class RiceContexts
{
public:
    static constexpr int Classes = 6;

    explicit RiceContexts(int bits)
        : m_bits(bits)
    {
        m_total.fill(std::max(2, (1 << bits) / 16));
        m_count.fill(1);
    }
    int parameter(int c) const
    {
        int k = 0;
        while (k < m_bits && (m_count[std::size_t(c)] << k) < m_total[std::size_t(c)])
            ++k;
        return k;
    }
    void update(int c, int mapped)
    {
        m_total[std::size_t(c)] += mapped;
        // Halving keeps the parameter following the picture rather than its average.
        if (++m_count[std::size_t(c)] >= 16) {
            m_total[std::size_t(c)] = (m_total[std::size_t(c)] + 1) / 2;
            m_count[std::size_t(c)] = (m_count[std::size_t(c)] + 1) / 2;
        }
    }

private:
    int m_bits;
    std::array<int, Classes> m_total{};
    std::array<int, Classes> m_count{};
};

struct Neighbourhood {
    int guess;
    int context;
};

// The guess for the code at (@p x, @p y) of a plane whose codes before it are in @p codes (row
// after row, @p side wide), and the class of its surroundings.
inline Neighbourhood around(const int *codes, int side, int bits, int x, int y)
{
    auto contextOf = [](int activity) {
        return int(activity >= 1) + int(activity >= 3) + int(activity >= 6) + int(activity >= 11) + int(activity >= 21);
    };
    constexpr int EdgeActivity = 5; // a cell of the first row or column has only one neighbour
    const int *row = codes + y * side;
    if (y == 0)
        return x == 0 ? Neighbourhood{1 << (bits - 1), 0} : Neighbourhood{row[x - 1], contextOf(EdgeActivity)};
    const int *above = row - side;
    if (x == 0)
        return {above[0], contextOf(EdgeActivity)};
    const int left = row[x - 1];
    const int up = above[x];
    const int corner = above[x - 1];
    int guess = left + up - corner;
    if (corner >= std::max(left, up))
        guess = std::min(left, up);
    else if (corner <= std::min(left, up))
        guess = std::max(left, up);
    int activity = std::abs(left - corner) + std::abs(up - corner);
    if (x + 1 < side)
        activity += std::abs(above[x + 1] - up);
    return {guess, contextOf(activity)};
}

template <typename Sink> void writePlane(BitWriter<Sink> &out, const std::vector<int> &codes, int side, int bits)
{
    const int half = 1 << (bits - 1);
    const int mask = (1 << bits) - 1;
    RiceContexts contexts(bits);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const Neighbourhood n = around(codes.data(), side, bits, x, y);
            const int difference = ((codes[std::size_t(y * side + x)] - n.guess + half) & mask) - half;
            const int mapped = difference >= 0 ? 2 * difference : -2 * difference - 1;
            const int k = contexts.parameter(n.context);
            const int ones = mapped >> k;
            if (ones < EscapeAfter) {
                out.ones(ones);
                out.put(0, 1);
                out.put(unsigned(mapped) & ((1u << k) - 1), k);
            } else {
                out.ones(EscapeAfter);
                out.put(unsigned(mapped), bits);
            }
            contexts.update(n.context, mapped);
        }
    }
}

bool readPlane(BitReader &in, int *codes, int side, int bits)
{
    const int mask = (1 << bits) - 1;
    RiceContexts contexts(bits);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const Neighbourhood n = around(codes, side, bits, x, y);
            const int k = contexts.parameter(n.context);
            const int ones = in.ones(EscapeAfter);
            unsigned rest = 0;
            if (ones < 0 || !in.get(ones == EscapeAfter ? bits : k, rest))
                return false;
            const int mapped = ones == EscapeAfter ? int(rest) : (ones << k) | int(rest);
            if (mapped > mask)
                return false; // no writer makes it
            const int difference = mapped & 1 ? -(mapped + 1) / 2 : mapped / 2;
            codes[y * side + x] = (n.guess + difference) & mask;
            contexts.update(n.context, mapped);
        }
    }
    return true;
}

// Every code of a packed array, in order.
template <std::size_t N> std::vector<int> unpack(const std::array<std::uint8_t, N> &packed, int count, int bits)
{
    std::vector<int> codes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        codes[std::size_t(i)] = int(getCode(packed, i, bits));
    return codes;
}

template <std::size_t N> void pack(std::array<std::uint8_t, N> &packed, const int *codes, int count, int bits)
{
    std::size_t at = 0;
    BitWriter out([&](std::uint8_t byte) {
        if (at < N)
            packed[at++] = byte;
    });
    for (int i = 0; i < count; ++i)
        out.put(unsigned(codes[i]), bits);
    out.finish();
}

} // namespace

QByteArray SimilarDescriptor::toCompactBytes() const
{
    QByteArray out = toBytes().left(HeaderBytes);
    BitWriter bits([&out](std::uint8_t byte) {
        out.append(char(byte));
    });
    const std::vector<int> lumaCodes = unpack(luma, Cells, LumaBits);
    const std::vector<int> chromaCodes = unpack(chroma, 2 * ChromaCells, ChromaBits);
    writePlane(bits, lumaCodes, Side, LumaBits);
    const std::vector<int> cb(chromaCodes.begin(), chromaCodes.begin() + ChromaCells);
    const std::vector<int> cr(chromaCodes.begin() + ChromaCells, chromaCodes.end());
    writePlane(bits, cb, ChromaSide, ChromaBits);
    writePlane(bits, cr, ChromaSide, ChromaBits);
    bits.finish();
    return out;
}

std::optional<SimilarDescriptor> SimilarDescriptor::fromCompactBytes(QByteArrayView bytes)
{
    if (bytes.size() <= HeaderBytes)
        return std::nullopt;
    QByteArray whole = bytes.first(HeaderBytes).toByteArray();
    whole.resize(SerializedSize, '\0');
    std::optional<SimilarDescriptor> d = fromBytes(whole);
    if (!d)
        return std::nullopt;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    BitReader in(data + HeaderBytes, data + bytes.size());
    std::array<int, Cells> lumaCodes;
    std::array<int, 2 * ChromaCells> chromaCodes;
    if (!readPlane(in, lumaCodes.data(), Side, LumaBits) || !readPlane(in, chromaCodes.data(), ChromaSide, ChromaBits)
        || !readPlane(in, chromaCodes.data() + ChromaCells, ChromaSide, ChromaBits) || !in.atEnd())
        return std::nullopt;
    pack(d->luma, lumaCodes.data(), Cells, LumaBits);
    pack(d->chroma, chromaCodes.data(), 2 * ChromaCells, ChromaBits);
    return d;
}

} // namespace Duovue
