#include "search/boxreducer.h"

#include <algorithm>

namespace Duovue
{

namespace
{

// Sub-pixel units: a source pixel is n units wide and an output pixel is width units wide, so
// every edge falls on a whole unit and every overlap is an integer.
std::vector<std::pair<int, std::uint32_t>> overlaps(int bin, int sourceCount, int n)
{
    std::vector<std::pair<int, std::uint32_t>> out;
    const std::int64_t binBegin = std::int64_t(bin) * sourceCount;
    const std::int64_t binEnd = binBegin + sourceCount;
    const int first = static_cast<int>(binBegin / n);
    const int last = static_cast<int>((binEnd - 1) / n);
    for (int x = first; x <= last && x < sourceCount; ++x) {
        const std::int64_t a = std::max<std::int64_t>(std::int64_t(x) * n, binBegin);
        const std::int64_t b = std::min<std::int64_t>(std::int64_t(x + 1) * n, binEnd);
        if (b > a)
            out.emplace_back(x, static_cast<std::uint32_t>(b - a));
    }
    return out;
}

} // namespace

BoxReducer::BoxReducer(int n)
    : m_n(n)
    , m_spans(static_cast<std::size_t>(n))
    , m_rowSums(static_cast<std::size_t>(n) * 3)
    , m_sums(static_cast<std::size_t>(n) * n * 3)
{
}

BoxReducer::BoxReducer(int width, int height, int n)
    : BoxReducer(n)
{
    begin(width, height);
}

qint64 BoxReducer::bytesFor(int, int) const
{
    return 0; // the sums only, which do not grow with the picture
}

bool BoxReducer::begin(int width, int height)
{
    m_width = width;
    m_height = height;
    std::fill(m_sums.begin(), m_sums.end(), 0);
    for (int c = 0; c < m_n; ++c) {
        Span &span = m_spans[static_cast<std::size_t>(c)];
        span = Span();
        int partials = 0;
        bool haveFull = false;
        for (const auto &[x, w] : overlaps(c, width, m_n)) {
            if (w == static_cast<std::uint32_t>(m_n)) {
                if (!haveFull) {
                    span.fullBegin = x;
                    haveFull = true;
                }
                span.fullEnd = x + 1;
            } else if (partials < 2) {
                span.partial[partials] = x;
                span.partialWeight[partials] = w;
                ++partials;
            }
        }
    }
    return true;
}

template <BoxReducer::PixelFormat F> void BoxReducer::sumRow(const unsigned char *pixels)
{
    constexpr int step = F == PixelFormat::Rgb24 ? 3 : (F == PixelFormat::Bgrx32 ? 4 : 1);
    constexpr int ri = F == PixelFormat::Bgrx32 ? 2 : 0;
    constexpr int gi = F == PixelFormat::Gray8 ? 0 : 1;
    constexpr int bi = F == PixelFormat::Rgb24 ? 2 : 0;
    for (int c = 0; c < m_n; ++c) {
        const Span &span = m_spans[static_cast<std::size_t>(c)];
        std::uint32_t r = 0, g = 0, b = 0;
        const unsigned char *p = pixels + std::size_t(span.fullBegin) * step;
        for (int x = span.fullBegin; x < span.fullEnd; ++x, p += step) {
            r += p[ri];
            if constexpr (F != PixelFormat::Gray8) {
                g += p[gi];
                b += p[bi];
            }
        }
        std::uint64_t sr = std::uint64_t(r) * m_n;
        std::uint64_t sg = std::uint64_t(g) * m_n;
        std::uint64_t sb = std::uint64_t(b) * m_n;
        for (int k = 0; k < 2; ++k) {
            if (span.partial[k] < 0)
                continue;
            const unsigned char *q = pixels + std::size_t(span.partial[k]) * step;
            const std::uint64_t w = span.partialWeight[k];
            sr += w * q[ri];
            if constexpr (F != PixelFormat::Gray8) {
                sg += w * q[gi];
                sb += w * q[bi];
            }
        }
        if constexpr (F == PixelFormat::Gray8) {
            sg = sr;
            sb = sr;
        }
        m_rowSums[std::size_t(c) * 3] = sr;
        m_rowSums[std::size_t(c) * 3 + 1] = sg;
        m_rowSums[std::size_t(c) * 3 + 2] = sb;
    }
}

void BoxReducer::addRow(int y, const unsigned char *pixels, PixelFormat format)
{
    if (y < 0 || y >= m_height)
        return;
    switch (format) {
    case PixelFormat::Rgb24:
        sumRow<PixelFormat::Rgb24>(pixels);
        break;
    case PixelFormat::Bgrx32:
        sumRow<PixelFormat::Bgrx32>(pixels);
        break;
    case PixelFormat::Gray8:
        sumRow<PixelFormat::Gray8>(pixels);
        break;
    }
    // Output rows this source row reaches, in vertical units (a source row is n units high, an
    // output row height units high).
    const std::int64_t rowBegin = std::int64_t(y) * m_n;
    const std::int64_t rowEnd = rowBegin + m_n;
    const int first = static_cast<int>(rowBegin / m_height);
    const int last = static_cast<int>((rowEnd - 1) / m_height);
    for (int r = first; r <= last && r < m_n; ++r) {
        const std::int64_t a = std::max<std::int64_t>(std::int64_t(r) * m_height, rowBegin);
        const std::int64_t b = std::min<std::int64_t>(std::int64_t(r + 1) * m_height, rowEnd);
        if (b <= a)
            continue;
        const std::uint64_t w = static_cast<std::uint64_t>(b - a);
        std::uint64_t *out = &m_sums[std::size_t(r) * m_n * 3];
        for (int i = 0; i < m_n * 3; ++i)
            out[i] += w * m_rowSums[std::size_t(i)];
    }
}

std::uint32_t BoxReducer::averageRgb(int row, int col) const
{
    // Each output pixel gathers width x height units of area in total.
    const std::uint64_t area = std::uint64_t(m_width) * std::uint64_t(m_height);
    const std::uint64_t *s = &m_sums[(std::size_t(row) * m_n + col) * 3];
    auto avg = [&](std::uint64_t v) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>((v + area / 2) / area, 255));
    };
    return (avg(s[0]) << 16) | (avg(s[1]) << 8) | avg(s[2]);
}

double BoxReducer::average(int row, int col, int channel) const
{
    const double area = double(m_width) * double(m_height);
    return double(m_sums[(std::size_t(row) * m_n + col) * 3 + std::size_t(channel)]) / area;
}

unsigned char BoxReducer::twoLevel(int r, int g, int b)
{
    // The order of the terms matters: grey (128, 128, 128) sums to 127.99999999999999 and stays
    // dark, as the keys of earlier versions had it.
    double y = 0.59 * g;
    y = y + 0.30 * r;
    y = y + 0.11 * b;
    return static_cast<int>(y) >= 128 ? 0xC0 : 0x40;
}

QByteArray BoxReducer::thumbnail() const
{
    QByteArray out(m_n * m_n, Qt::Uninitialized);
    for (int row = 0; row < m_n; ++row) {
        for (int col = 0; col < m_n; ++col) {
            const std::uint32_t rgb = averageRgb(row, col);
            out[row * m_n + col] = static_cast<char>(twoLevel(
                static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF)));
        }
    }
    return out;
}

} // namespace Duovue
