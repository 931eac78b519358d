#include "search/similarmatch.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <tuple>

namespace Duovue
{

namespace
{

using D = SimilarDescriptor;

// Tolerances at the default strictness, measured on copies (re-encoded, rescaled, GIF, BMP) and on
// look-alikes (the same scene shifted, zoomed or shot again a moment later): copies stay below
// about two thirds of each, the nearest look-alikes lie at half as much again or more.
constexpr double LumaDistance = 0.074; // RMS of the normalised luminance difference, in deviations
constexpr double GreyDistance = 0.046; // RMS residual of the grey fit, in deviations
constexpr double ColourDistance = 4.0; // RMS colour difference of 7 x 7 cells, in levels
constexpr double MeanDistance = 2.0; // in levels: a copy keeps its brightness
constexpr double DeviationRatio = 0.06; // |ln| of the ratio of deviations: and its contrast
// Luminance noise any copy may add, in levels: it dominates the normalised distance of pictures
// with almost no contrast, whose deviation is a level or two.
constexpr double LumaSlack = 0.5;
// Each step of the trackbar makes the distances this much stricter or looser.
constexpr double StrictnessStep = 1.1;
// The candidate search: copies lie within a few bits of each other in both hashes, a grey copy
// within about 8 of its original in the first. Each index is cut into blocks so that these radii
// need a look at the block values one bit away only.
constexpr int HashRadius = 7;
constexpr int HashBlocks = 4;
// A grey picture may be a grey copy, which some conversions move farther: it looks farther
// (grey pictures are few, so their wider look costs little).
constexpr int GreyHashRadius = 11;
constexpr int ShapeRadius = 5;
constexpr int ShapeBlocks = 3;

double factor(const SimilarOptions &options)
{
    return std::pow(StrictnessStep, SimilarOptions::DefaultStrictness - std::clamp(options.strictness, 10, 20));
}

double floored(double deviation)
{
    return std::max(deviation, D::DeviationFloor);
}

// Width over height agrees within 1 % plus what rounding the smaller picture's sides may cost.
bool sameAspect(const D &a, const D &b)
{
    if (a.width < 1 || a.height < 1 || b.width < 1 || b.height < 1)
        return false;
    const double difference = std::abs(std::log(double(a.width) / a.height) - std::log(double(b.width) / b.height));
    const int shortest = std::min({a.width, a.height, b.width, b.height});
    return difference <= 0.01 + 1.0 / shortest;
}

// Solves the 4 x 4 system by elimination with partial pivoting; false when it is singular.
bool solve4(std::array<std::array<double, 4>, 4> m, std::array<double, 4> v, std::array<double, 4> &x)
{
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::abs(m[std::size_t(r)][std::size_t(c)]) > std::abs(m[std::size_t(pivot)][std::size_t(c)]))
                pivot = r;
        }
        if (std::abs(m[std::size_t(pivot)][std::size_t(c)]) < 1e-9)
            return false;
        std::swap(m[std::size_t(c)], m[std::size_t(pivot)]);
        std::swap(v[std::size_t(c)], v[std::size_t(pivot)]);
        for (int r = 0; r < 4; ++r) {
            if (r == c)
                continue;
            const double f = m[std::size_t(r)][std::size_t(c)] / m[std::size_t(c)][std::size_t(c)];
            for (int k = c; k < 4; ++k)
                m[std::size_t(r)][std::size_t(k)] -= f * m[std::size_t(c)][std::size_t(k)];
            v[std::size_t(r)] -= f * v[std::size_t(c)];
        }
    }
    for (int i = 0; i < 4; ++i)
        x[std::size_t(i)] = v[std::size_t(i)] / m[std::size_t(i)][std::size_t(i)];
    return true;
}

/// One picture's descriptor with its codes unpacked, to be compared with many others.
class Prepared
{
public:
    explicit Prepared(const D &d)
        : m_d(&d)
        , m_z(d.normalisedLuma())
        , m_colour(d.colourDifferences())
    {
    }

    const D &descriptor() const { return *m_d; }
    const std::array<float, D::Cells> &z() const { return m_z; }
    const std::array<float, 2 * D::ChromaCells> &colour() const { return m_colour; }

    /// The luminance in levels of every colour cell (the mean of its 2 x 2 cells).
    std::array<double, D::ChromaCells> coarseLuma() const
    {
        std::array<double, D::ChromaCells> out{};
        const double scale = floored(m_d->deviationLevel());
        for (int row = 0; row < D::ChromaSide; ++row) {
            for (int col = 0; col < D::ChromaSide; ++col) {
                const std::size_t i = std::size_t(row * 2 * D::Side + col * 2);
                const double z = m_z[i] + m_z[i + 1] + m_z[i + D::Side] + m_z[i + D::Side + 1];
                out[std::size_t(row * D::ChromaSide + col)] = m_d->meanLevel() + z / 4 * scale;
            }
        }
        return out;
    }

private:
    const D *m_d;
    std::array<float, D::Cells> m_z;
    std::array<float, 2 * D::ChromaCells> m_colour;
};

bool sameLuminanceAndColour(const Prepared &a, const Prepared &b, double f)
{
    const D &da = a.descriptor();
    const D &db = b.descriptor();
    if (std::abs(da.meanLevel() - db.meanLevel()) > MeanDistance * f)
        return false;
    if (std::abs(std::log(floored(da.deviationLevel()) / floored(db.deviationLevel()))) > DeviationRatio)
        return false;
    double sum = 0;
    for (int i = 0; i < D::Cells; ++i) {
        const double d = a.z()[std::size_t(i)] - b.z()[std::size_t(i)];
        sum += d * d;
    }
    const double luma = LumaDistance * f;
    const double slack = LumaSlack / std::min(floored(da.deviationLevel()), floored(db.deviationLevel()));
    if (sum > (luma * luma + slack * slack) * D::Cells)
        return false;
    // Colour on cells of 2 x 2 colour cells: a copy's colours wander by a level or two per cell.
    constexpr int n = D::ChromaSide / 2;
    sum = 0;
    for (int row = 0; row < n; ++row) {
        for (int col = 0; col < n; ++col) {
            for (int channel = 0; channel < 2; ++channel) {
                const std::size_t i = std::size_t(channel * D::ChromaCells + row * 2 * D::ChromaSide + col * 2);
                const double d = (a.colour()[i] + a.colour()[i + 1] + a.colour()[i + D::ChromaSide]
                                     + a.colour()[i + D::ChromaSide + 1])
                    - (b.colour()[i] + b.colour()[i + 1] + b.colour()[i + D::ChromaSide]
                        + b.colour()[i + D::ChromaSide + 1]);
                sum += d * d / 16;
            }
        }
    }
    const double colour = ColourDistance * f;
    return sum <= colour * colour * n * n;
}

// Whether the grey picture @p grey is a grey copy of the colour picture @p colour: its luminance,
// cell by cell, is explained by a brightness, a contrast and a fixed mix of the colour picture's
// red, green and blue. Grey conversions differ in their mix (the JPEG luminance, Rec. 709's, the
// plain average); any mix with no negative weight serves.
bool greyCopyOf(const Prepared &grey, const Prepared &colour, double f)
{
    const std::array<double, D::ChromaCells> target = grey.coarseLuma();
    const std::array<double, D::ChromaCells> luma = colour.coarseLuma();
    std::array<std::array<double, 4>, 4> m{};
    std::array<double, 4> v{};
    for (int i = 0; i < D::ChromaCells; ++i) {
        const std::array<double, 4> x{1.0,
            luma[std::size_t(i)],
            colour.colour()[std::size_t(i)],
            colour.colour()[std::size_t(D::ChromaCells + i)]};
        for (int p = 0; p < 4; ++p) {
            v[std::size_t(p)] += x[std::size_t(p)] * target[std::size_t(i)];
            for (int q = 0; q < 4; ++q)
                m[std::size_t(p)][std::size_t(q)] += x[std::size_t(p)] * x[std::size_t(q)];
        }
    }
    std::array<double, 4> w{};
    if (!solve4(m, v, w))
        return false;
    // The mix as weights of red, green and blue (luminance Y plus multiples of Cb and Cr).
    const double gain = w[1];
    const double red = 0.299 * gain - 0.168736 * w[2] + 0.5 * w[3];
    const double green = 0.587 * gain - 0.331264 * w[2] - 0.418688 * w[3];
    const double blue = 0.114 * gain + 0.5 * w[2] - 0.081312 * w[3];
    if (gain < 0.75 || gain > 1.33 || std::min({red, green, blue}) < -0.05 * gain)
        return false;
    double sum = 0;
    for (int i = 0; i < D::ChromaCells; ++i) {
        const double e = target[std::size_t(i)] - w[0] - w[1] * luma[std::size_t(i)]
            - w[2] * colour.colour()[std::size_t(i)] - w[3] * colour.colour()[std::size_t(D::ChromaCells + i)];
        sum += e * e;
    }
    const double limit = GreyDistance * f * floored(grey.descriptor().deviationLevel());
    return sum <= limit * limit * D::ChromaCells;
}

bool samePrepared(const Prepared &a, const Prepared &b, const SimilarOptions &options)
{
    if (!sameAspect(a.descriptor(), b.descriptor()))
        return false;
    const double f = factor(options);
    if (sameLuminanceAndColour(a, b, f))
        return true;
    if (!options.greyCopies || a.descriptor().isGrey() == b.descriptor().isGrey())
        return false;
    return a.descriptor().isGrey() ? greyCopyOf(a, b, f) : greyCopyOf(b, a, f);
}

class UnionFind
{
public:
    explicit UnionFind(std::size_t n)
        : m_parent(n)
    {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }
    int find(int x)
    {
        while (m_parent[std::size_t(x)] != x) {
            m_parent[std::size_t(x)] = m_parent[std::size_t(m_parent[std::size_t(x)])];
            x = m_parent[std::size_t(x)];
        }
        return x;
    }
    void join(int a, int b)
    {
        a = find(a);
        b = find(b);
        // The smaller index becomes the root, so that a part is known by its first member.
        if (a != b)
            m_parent[std::size_t(std::max(a, b))] = std::min(a, b);
    }

private:
    std::vector<int> m_parent;
};

} // namespace

namespace SimilarMatch
{

bool same(const SimilarDescriptor &a, const SimilarDescriptor &b, const SimilarOptions &options)
{
    return samePrepared(Prepared(a), Prepared(b), options);
}

Groups findGroups(const std::vector<SimilarDescriptor> &descriptors,
    const SimilarOptions &options,
    const std::atomic<bool> *abort,
    const std::function<void(int, int)> &progress)
{
    Groups result;
    const int n = static_cast<int>(descriptors.size());

    // Identical descriptors (byte copies, changed metadata, lossless conversions) are one picture:
    // compared once through the first of them, and grouped with one another.
    // In the order of their content, so that equal descriptors stand together whatever their
    // hashes share with others.
    const auto content = [](const D &d) {
        return std::tie(
            d.hash, d.shapeHash, d.width, d.height, d.mean, d.deviation, d.chromaRange, d.flags, d.luma, d.chroma);
    };
    std::vector<int> order(std::size_t(n), 0);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const auto x = content(descriptors[std::size_t(a)]);
        const auto y = content(descriptors[std::size_t(b)]);
        return x != y ? x < y : a < b;
    });
    std::vector<int> representative(std::size_t(n), 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const bool same = i > 0 && descriptors[std::size_t(order[i])] == descriptors[std::size_t(order[i - 1])];
        representative[std::size_t(order[i])] = same ? representative[std::size_t(order[i - 1])] : order[i];
    }
    std::vector<int> unique; // representatives, ascending
    for (int i = 0; i < n; ++i) {
        if (representative[std::size_t(i)] == i)
            unique.push_back(i);
    }

    std::vector<std::uint64_t> hashes;
    std::vector<std::uint64_t> shapes;
    hashes.reserve(unique.size());
    shapes.reserve(unique.size());
    for (int u : unique) {
        hashes.push_back(descriptors[std::size_t(u)].hash);
        shapes.push_back(descriptors[std::size_t(u)].shapeHash);
    }
    const HammingIndex hashIndex(std::move(hashes), HashBlocks);
    const HammingIndex shapeIndex(std::move(shapes), ShapeBlocks);
    HammingIndex::Search hashSearch(hashIndex);
    HammingIndex::Search shapeSearch(shapeIndex);

    // Pictures with next to no luminance contrast have hashes of noise: their candidates are the
    // other such pictures of about the same brightness and colour instead.
    const double f = factor(options);
    std::vector<std::vector<std::uint32_t>> plain(unique.size());
    {
        struct Flat {
            double mean, cb, cr;
            std::uint32_t k;
        };
        std::vector<Flat> flats;
        for (std::size_t k = 0; k < unique.size(); ++k) {
            const D &d = descriptors[std::size_t(unique[k])];
            if (d.deviationLevel() >= D::DeviationFloor)
                continue;
            const std::array<float, 2 *D::ChromaCells> colour = d.colourDifferences();
            const double cb = std::accumulate(colour.begin(), colour.begin() + D::ChromaCells, 0.0) / D::ChromaCells;
            const double cr = std::accumulate(colour.begin() + D::ChromaCells, colour.end(), 0.0) / D::ChromaCells;
            flats.push_back({d.meanLevel(), cb, cr, static_cast<std::uint32_t>(k)});
        }
        std::sort(flats.begin(), flats.end(), [](const Flat &a, const Flat &b) {
            return a.mean != b.mean ? a.mean < b.mean : a.k < b.k;
        });
        for (std::size_t i = 0; i < flats.size(); ++i) {
            for (std::size_t j = i + 1; j < flats.size() && flats[j].mean - flats[i].mean <= MeanDistance * f; ++j) {
                if (std::abs(flats[j].cb - flats[i].cb) > ColourDistance * f
                    || std::abs(flats[j].cr - flats[i].cr) > ColourDistance * f)
                    continue;
                plain[std::min(flats[i].k, flats[j].k)].push_back(std::max(flats[i].k, flats[j].k));
            }
        }
    }

    // Verified pairs, as positions in unique: each found from its lower end (or from a grey end).
    std::vector<std::vector<std::uint32_t>> neighbours(unique.size());
    std::vector<std::uint32_t> candidates;
    UnionFind parts(unique.size());
    for (std::size_t k = 0; k < unique.size(); ++k) {
        if (abort && abort->load(std::memory_order_relaxed)) {
            result.aborted = true;
            break;
        }
        if (progress && k % 256 == 0)
            progress(static_cast<int>(k), static_cast<int>(unique.size()));
        const D &d = descriptors[std::size_t(unique[k])];
        // A grey picture's wider look also finds earlier pictures whose own look missed it.
        const bool wide = options.greyCopies && d.isGrey();
        candidates = hashSearch.near(d.hash, wide ? GreyHashRadius : HashRadius);
        for (std::uint32_t c : shapeSearch.near(d.shapeHash, ShapeRadius))
            candidates.push_back(c);
        candidates.insert(candidates.end(), plain[k].begin(), plain[k].end());
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        std::optional<Prepared> self;
        for (std::uint32_t c : candidates) {
            if (c == k || (c < k && !wide))
                continue;
            const D &other = descriptors[std::size_t(unique[c])];
            if (!sameAspect(d, other))
                continue;
            if (!self)
                self.emplace(d);
            if (samePrepared(*self, Prepared(other), options)) {
                neighbours[k].push_back(c);
                neighbours[c].push_back(static_cast<std::uint32_t>(k));
                parts.join(static_cast<int>(k), static_cast<int>(c));
            }
        }
    }
    if (progress)
        progress(static_cast<int>(unique.size()), static_cast<int>(unique.size()));
    for (std::vector<std::uint32_t> &list : neighbours) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }

    // The copies of each representative, ascending.
    std::vector<std::vector<int>> members(unique.size());
    {
        std::vector<int> position(std::size_t(n), -1);
        for (std::size_t k = 0; k < unique.size(); ++k)
            position[std::size_t(unique[k])] = static_cast<int>(k);
        for (int i = 0; i < n; ++i)
            members[std::size_t(position[std::size_t(representative[std::size_t(i)])])].push_back(i);
    }

    // Each connected part, split into cliques: the picture left with the most verified partners
    // (the first in order among equals) opens a group, and every other that is verified against
    // all its members joins it, the best connected first. A picture that only one member of a
    // group is like, such as a grey copy of the original, so cannot take that member away from
    // the others.
    std::vector<std::size_t> partners(unique.size(), 0);
    for (std::size_t k = 0; k < unique.size(); ++k) {
        partners[k] = members[k].size() - 1;
        for (std::uint32_t other : neighbours[k])
            partners[k] += members[other].size();
    }
    std::vector<std::vector<int>> byPart(unique.size());
    for (std::size_t k = 0; k < unique.size(); ++k)
        byPart[std::size_t(parts.find(static_cast<int>(k)))].push_back(static_cast<int>(k));
    auto adjacent = [&](int x, int y) {
        const std::vector<std::uint32_t> &list = neighbours[std::size_t(x)];
        return std::binary_search(list.begin(), list.end(), static_cast<std::uint32_t>(y));
    };
    for (std::vector<int> &left : byPart) {
        std::stable_sort(left.begin(), left.end(), [&](int a, int b) {
            return partners[std::size_t(a)] > partners[std::size_t(b)];
        });
        while (!left.empty()) {
            std::vector<int> clique{left.front()};
            std::vector<int> rest;
            for (std::size_t i = 1; i < left.size(); ++i) {
                const int candidate = left[i];
                const bool joins = std::all_of(clique.begin(), clique.end(), [&](int m) {
                    return adjacent(m, candidate);
                });
                (joins ? clique : rest).push_back(candidate);
            }
            std::vector<int> group;
            for (int k : clique)
                group.insert(group.end(), members[std::size_t(k)].begin(), members[std::size_t(k)].end());
            if (group.size() >= 2) {
                std::sort(group.begin(), group.end());
                result.groups.push_back(std::move(group));
            }
            left = std::move(rest);
        }
    }
    std::sort(result.groups.begin(), result.groups.end(), [](const std::vector<int> &a, const std::vector<int> &b) {
        return a.front() < b.front();
    });
    return result;
}

} // namespace SimilarMatch

// ---- HammingIndex ------------------------------------------------------------------------------

HammingIndex::HammingIndex(std::vector<std::uint64_t> codes, int blocks)
    : m_size(codes.size())
{
    Q_ASSERT(blocks >= 1 && blocks <= 8);
    const auto count = static_cast<std::uint32_t>(codes.size());
    // Buckets of about eight codes: the bucket table stays small enough to be cached, and a bucket
    // is one short run of entries.
    const int wanted = std::max(4, static_cast<int>(std::bit_width(count)) - 3);
    int shift = 0;
    for (int b = 0; b < blocks; ++b) {
        Table &t = m_tables.emplace_back();
        t.shift = shift;
        t.bits = (64 - shift) / (blocks - b);
        t.bucketBits = std::min(t.bits, wanted);
        shift += t.bits;
        const std::uint64_t mask = (std::uint64_t(1) << t.bits) - 1;
        std::vector<std::uint32_t> order(count);
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
            const std::uint64_t a = (codes[x] >> t.shift) & mask;
            const std::uint64_t c = (codes[y] >> t.shift) & mask;
            return a != c ? a < c : x < y;
        });
        t.codes.resize(count);
        t.buckets.assign((std::size_t(1) << t.bucketBits) + 1, 0);
        for (std::uint32_t i = 0; i < count; ++i) {
            t.codes[i] = codes[order[i]];
            ++t.buckets[std::size_t(((t.codes[i] >> t.shift) & mask) >> (t.bits - t.bucketBits)) + 1];
        }
        t.ids = std::move(order);
        for (std::size_t k = 1; k < t.buckets.size(); ++k)
            t.buckets[k] += t.buckets[k - 1];
    }
}

std::size_t HammingIndex::memoryBytes() const
{
    std::size_t bytes = 0;
    for (const Table &t : m_tables)
        bytes += t.codes.capacity() * sizeof(std::uint64_t)
            + (t.ids.capacity() + t.buckets.capacity()) * sizeof(std::uint32_t);
    return bytes;
}

HammingIndex::Search::Search(const HammingIndex &index)
    : m_index(index)
    , m_seen(index.size(), 0)
{
}

void HammingIndex::Search::probe(std::size_t block, std::uint64_t value, std::uint64_t code, int radius)
{
    const Table &t = m_index.m_tables[block];
    const std::uint64_t mask = (std::uint64_t(1) << t.bits) - 1;
    const std::size_t bucket = std::size_t(value >> (t.bits - t.bucketBits));
    for (std::uint32_t i = t.buckets[bucket]; i < t.buckets[bucket + 1]; ++i) {
        const std::uint64_t other = t.codes[i];
        if (((other >> t.shift) & mask) != value || std::popcount(other ^ code) > radius)
            continue;
        const std::uint32_t id = t.ids[i];
        if (m_seen[id] == m_stamp)
            continue;
        m_seen[id] = m_stamp;
        m_found.push_back(id);
    }
}

const std::vector<std::uint32_t> &HammingIndex::Search::near(std::uint64_t code, int radius)
{
    Q_ASSERT(radius >= 0 && radius <= m_index.maxRadius());
    m_found.clear();
    if (++m_stamp == 0) { // wrapped: start the stamps over
        std::fill(m_seen.begin(), m_seen.end(), 0);
        m_stamp = 1;
    }
    // Every block farther than radius / blocks would put the code farther than radius.
    const int within = radius / static_cast<int>(m_index.m_tables.size());
    for (std::size_t b = 0; b < m_index.m_tables.size(); ++b) {
        const Table &t = m_index.m_tables[b];
        const std::uint64_t value = (code >> t.shift) & ((std::uint64_t(1) << t.bits) - 1);
        probe(b, value, code, radius);
        if (within < 1)
            continue;
        for (int i = 0; i < t.bits; ++i) {
            const std::uint64_t one = value ^ (std::uint64_t(1) << i);
            probe(b, one, code, radius);
            if (within < 2)
                continue;
            for (int j = i + 1; j < t.bits; ++j)
                probe(b, one ^ (std::uint64_t(1) << j), code, radius);
        }
    }
    return m_found;
}

} // namespace Duovue
