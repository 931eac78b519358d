#include "search/thumbnailset.h"

#include <algorithm>

#include "search/boxreducer.h"
#include "search/crc32.h"

namespace Duovue
{

namespace
{

constexpr int bytesOf(int n)
{
    return (n * n + 7) / 8;
}

// Index of the first cell of size First + i in an axis's cells, and of its sums.
int cellBase(int i)
{
    int base = 0;
    for (int k = 0; k < i; ++k)
        base += ThumbnailSet::First + k;
    return base;
}

int sumBase(int i)
{
    int base = 0;
    for (int k = 0; k < i; ++k)
        base += (ThumbnailSet::First + k) * (ThumbnailSet::First + k) * 3;
    return base;
}

int totalBytes()
{
    int total = 0;
    for (int n = ThumbnailSet::First; n <= ThumbnailSet::Last; ++n)
        total += bytesOf(n);
    return total;
}

} // namespace

int ThumbnailSet::offset(int n)
{
    int at = 0;
    for (int k = First; k < n; ++k)
        at += bytesOf(k);
    return at;
}

QByteArray ThumbnailSet::thumbnail(int n) const
{
    if (!covers(n) || m_bits.size() != PackedBytes)
        return {};
    QByteArray out(n * n, Qt::Uninitialized);
    const auto *bits = reinterpret_cast<const unsigned char *>(m_bits.constData()) + offset(n);
    for (int i = 0; i < n * n; ++i)
        out[i] = static_cast<char>((bits[i / 8] & (0x80 >> (i % 8))) ? 0xC0 : 0x40);
    return out;
}

std::optional<ThumbnailSet> ThumbnailSet::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() != PackedBytes)
        return std::nullopt;
    ThumbnailSet set;
    set.m_bits = bytes;
    return set;
}

void ThumbnailSetReducer::Axis::build(int extent)
{
    // Cell c of size n covers units [c * extent, (c + 1) * extent); source pixel x covers
    // [x * n, (x + 1) * n). A pixel wholly inside a cell weighs n, one across its edge the units
    // it shares with it: the weights BoxReducer gives.
    struct Raw {
        int fullBegin, fullEnd;
        int partial[2];
        std::uint32_t weight[2];
    };
    std::vector<Raw> raw;
    std::vector<int> edges{0, extent};
    for (int n = ThumbnailSet::First; n <= ThumbnailSet::Last; ++n) {
        for (int c = 0; c < n; ++c) {
            const std::int64_t begin = std::int64_t(c) * extent;
            const std::int64_t end = begin + extent;
            const int first = static_cast<int>(begin / n);
            const int last = static_cast<int>((end - 1) / n);
            auto inside = [&](int x) {
                return std::int64_t(x) * n >= begin && std::int64_t(x + 1) * n <= end;
            };
            auto shared = [&](int x) {
                return static_cast<std::uint32_t>(std::min<std::int64_t>(std::int64_t(x + 1) * n, end)
                    - std::max<std::int64_t>(std::int64_t(x) * n, begin));
            };
            Raw cell{inside(first) ? first : first + 1, inside(last) ? last + 1 : last, {-1, -1}, {0, 0}};
            int partials = 0;
            for (int x : {first, last}) {
                if (!inside(x) && (partials == 0 || cell.partial[0] != x)) {
                    cell.partial[partials] = x;
                    cell.weight[partials] = shared(x);
                    ++partials;
                    edges.push_back(x);
                    edges.push_back(x + 1);
                }
            }
            if (cell.fullBegin < cell.fullEnd) {
                edges.push_back(cell.fullBegin);
                edges.push_back(cell.fullEnd);
            } else {
                cell.fullBegin = cell.fullEnd = 0;
            }
            raw.push_back(cell);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    starts = std::move(edges);
    auto segment = [&](int x) {
        return static_cast<int>(std::lower_bound(starts.begin(), starts.end(), x) - starts.begin());
    };
    cells.clear();
    cells.reserve(raw.size());
    for (const Raw &r : raw) {
        Cell cell;
        cell.fullBegin = segment(r.fullBegin);
        cell.fullEnd = r.fullBegin < r.fullEnd ? segment(r.fullEnd) : cell.fullBegin;
        for (int k = 0; k < 2; ++k) {
            if (r.partial[k] >= 0) {
                cell.partial[k] = segment(r.partial[k]);
                cell.weight[k] = r.weight[k];
            }
        }
        cells.push_back(cell);
    }
}

qint64 ThumbnailSetReducer::bytesFor(int width, int height) const
{
    // Rows may come in any order (interlaced GIFs), so every band may be open at once.
    Axis columns;
    Axis rows;
    columns.build(width);
    rows.build(height);
    return qint64(rows.segments()) * (columns.segments() + 1) * 3 * qint64(sizeof(std::uint64_t))
        + qint64(width) * 4 * qint64(sizeof(std::uint32_t)) + qint64(height) * qint64(sizeof(int));
}

bool ThumbnailSetReducer::begin(int width, int height)
{
    m_width = width;
    m_height = height;
    m_columns.build(width);
    m_rows.build(height);
    const int bands = m_rows.segments();
    m_bandOfRow.assign(std::size_t(height), 0);
    m_rowsLeft.assign(std::size_t(bands), 0);
    for (int b = 0; b < bands; ++b) {
        for (int y = m_rows.starts[std::size_t(b)]; y < m_rows.starts[std::size_t(b) + 1]; ++y)
            m_bandOfRow[std::size_t(y)] = b;
        m_rowsLeft[std::size_t(b)] = m_rows.starts[std::size_t(b) + 1] - m_rows.starts[std::size_t(b)];
    }
    m_targets.assign(std::size_t(bands), {});
    for (int i = 0; i < ThumbnailSet::Sizes; ++i) {
        const int n = ThumbnailSet::First + i;
        const Cell *cells = &m_rows.cells[std::size_t(cellBase(i))];
        for (int r = 0; r < n; ++r) {
            for (int b = cells[r].fullBegin; b < cells[r].fullEnd; ++b)
                m_targets[std::size_t(b)].push_back({i, r, std::uint32_t(n)});
            for (int k = 0; k < 2; ++k) {
                if (cells[r].partial[k] >= 0)
                    m_targets[std::size_t(cells[r].partial[k])].push_back({i, r, cells[r].weight[k]});
            }
        }
    }
    m_bands.assign(std::size_t(bands), {});
    m_wide.assign(std::size_t(width) * 4, 0);
    m_wideBand = -1;
    m_sums.assign(std::size_t(sumBase(ThumbnailSet::Sizes)), 0);
    return true;
}

template <PictureSink::PixelFormat F> void ThumbnailSetReducer::sumRow(const std::uint32_t *pixels, std::uint64_t *band)
{
    constexpr int step = F == PixelFormat::Rgb24 ? 3 : (F == PixelFormat::Bgrx32 ? 4 : 1);
    constexpr int ri = F == PixelFormat::Bgrx32 ? 2 : 0;
    constexpr int gi = F == PixelFormat::Gray8 ? 0 : 1;
    constexpr int bi = F == PixelFormat::Rgb24 ? 2 : 0;
    // Running sums along the row, recorded at every segment's end: the band keeps prefix sums, so
    // a cell's total is one difference however many segments it spans.
    std::uint64_t r = 0, g = 0, b = 0;
    const std::uint32_t *p = pixels;
    const int segments = m_columns.segments();
    const int *starts = m_columns.starts.data();
    int x = 0;
    for (int s = 0; s < segments; ++s) {
        const int end = starts[s + 1];
        for (; x < end; ++x, p += step) {
            r += p[ri];
            if constexpr (F != PixelFormat::Gray8) {
                g += p[gi];
                b += p[bi];
            }
        }
        std::uint64_t *out = band + std::size_t(s + 1) * 3;
        out[0] += r;
        if constexpr (F == PixelFormat::Gray8) {
            out[1] += r;
            out[2] += r;
        } else {
            out[1] += g;
            out[2] += b;
        }
    }
}

void ThumbnailSetReducer::addRow(int y, const unsigned char *pixels, PixelFormat format)
{
    if (y < 0 || y >= m_height)
        return;
    const int index = m_bandOfRow[std::size_t(y)];
    if (m_rowsLeft[std::size_t(index)] == 0)
        return;
    if (m_wideBand != index || m_wideFormat != format) {
        foldWide();
        m_wideBand = index;
        m_wideFormat = format;
    }
    const int step = format == PixelFormat::Rgb24 ? 3 : (format == PixelFormat::Bgrx32 ? 4 : 1);
    const std::size_t count = std::size_t(m_width) * std::size_t(step);
    if (m_wide.size() < count)
        m_wide.resize(count, 0);
    // Blocks of a fixed length, which the compiler turns into vector additions even at -O2.
    constexpr std::size_t block = 16;
    std::uint32_t *wide = m_wide.data();
    std::size_t i = 0;
    for (; i + block <= count; i += block) {
        // Read first: the row's bytes might alias the sums as far as the compiler knows.
        std::uint32_t v[block];
        for (std::size_t k = 0; k < block; ++k)
            v[k] = pixels[i + k];
        for (std::size_t k = 0; k < block; ++k)
            wide[i + k] += v[k];
    }
    for (; i < count; ++i)
        wide[i] += pixels[i];
    if (--m_rowsLeft[std::size_t(index)] == 0) {
        foldWide();
        flushBand(index);
    }
}

void ThumbnailSetReducer::foldWide()
{
    if (m_wideBand < 0)
        return;
    std::vector<std::uint64_t> &band = m_bands[std::size_t(m_wideBand)];
    if (band.empty()) {
        band.swap(m_spare);
        band.assign(std::size_t(m_columns.segments() + 1) * 3, 0);
    }
    switch (m_wideFormat) {
    case PixelFormat::Rgb24:
        sumRow<PixelFormat::Rgb24>(m_wide.data(), band.data());
        break;
    case PixelFormat::Bgrx32:
        sumRow<PixelFormat::Bgrx32>(m_wide.data(), band.data());
        break;
    case PixelFormat::Gray8:
        sumRow<PixelFormat::Gray8>(m_wide.data(), band.data());
        break;
    }
    std::fill(m_wide.begin(), m_wide.end(), 0);
    m_wideBand = -1;
}

void ThumbnailSetReducer::flushBand(int index)
{
    std::vector<std::uint64_t> &band = m_bands[std::size_t(index)];
    const std::uint64_t *prefix = band.data();
    auto segmentSum = [prefix](int s, int ch) {
        return prefix[std::size_t(s + 1) * 3 + std::size_t(ch)] - prefix[std::size_t(s) * 3 + std::size_t(ch)];
    };
    std::uint64_t columnSums[ThumbnailSet::Last * 3];
    int computedFor = -1;
    for (const Target &t : m_targets[std::size_t(index)]) {
        const int n = ThumbnailSet::First + t.size;
        if (computedFor != t.size) {
            const Cell *cells = &m_columns.cells[std::size_t(cellBase(t.size))];
            for (int c = 0; c < n; ++c) {
                const Cell &cell = cells[c];
                for (int ch = 0; ch < 3; ++ch) {
                    std::uint64_t v = std::uint64_t(n)
                        * (prefix[std::size_t(cell.fullEnd) * 3 + std::size_t(ch)]
                            - prefix[std::size_t(cell.fullBegin) * 3 + std::size_t(ch)]);
                    for (int k = 0; k < 2; ++k) {
                        if (cell.partial[k] >= 0)
                            v += std::uint64_t(cell.weight[k]) * segmentSum(cell.partial[k], ch);
                    }
                    columnSums[c * 3 + ch] = v;
                }
            }
            computedFor = t.size;
        }
        std::uint64_t *out = &m_sums[std::size_t(sumBase(t.size)) + std::size_t(t.row) * std::size_t(n) * 3];
        for (int i = 0; i < n * 3; ++i)
            out[i] += std::uint64_t(t.weight) * columnSums[i];
    }
    m_spare.swap(band);
    band.clear();
    band.shrink_to_fit();
}

ThumbnailSet ThumbnailSetReducer::result() const
{
    ThumbnailSet set;
    if (m_width <= 0 || m_height <= 0)
        return set;
    set.m_bits = QByteArray(totalBytes(), '\0');
    auto *bits = reinterpret_cast<unsigned char *>(set.m_bits.data());
    // Each output pixel gathers width x height units of area, rounded as BoxReducer rounds.
    const std::uint64_t area = std::uint64_t(m_width) * std::uint64_t(m_height);
    auto average = [area](std::uint64_t v) {
        return static_cast<int>(std::min<std::uint64_t>((v + area / 2) / area, 255));
    };
    for (int i = 0; i < ThumbnailSet::Sizes; ++i) {
        const int n = ThumbnailSet::First + i;
        const std::uint64_t *sums = &m_sums[std::size_t(sumBase(i))];
        unsigned char *out = bits + ThumbnailSet::offset(n);
        for (int p = 0; p < n * n; ++p) {
            const std::uint64_t *s = sums + std::size_t(p) * 3;
            if (BoxReducer::twoLevel(average(s[0]), average(s[1]), average(s[2])) == 0xC0)
                out[p / 8] = static_cast<unsigned char>(out[p / 8] | (0x80 >> (p % 8)));
        }
    }
    return set;
}

BitmapKey ThumbnailSet::key(int n, int width, int height) const
{
    BitmapKey key;
    key.thumbnail = thumbnail(n);
    if (key.thumbnail.isEmpty())
        return key; // undecodable: nothing to key
    key.outcome = BitmapKey::Outcome::Ok;
    key.width = width;
    key.height = height;
    key.key = Crc32::keyText(Crc32::of(key.thumbnail));
    return key;
}

} // namespace Duovue
