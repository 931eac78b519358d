#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "search/similardescriptor.h"

namespace Duovue
{

/// How the similar method decides.
struct SimilarOptions {
    /// The tuned strictness; also the precision trackbar's default position.
    static constexpr int DefaultStrictness = 15;
    /// The precision trackbar, 10 (coarse: finds more) to 20 (fine: stricter).
    int strictness = DefaultStrictness;
    /// Also take a grey copy of a colour picture for the same picture.
    bool greyCopies = false;
};

/// Finds the pictures whose descriptors say they are the same picture. Candidate pairs come from a
/// Hamming index over the descriptors' hashes, never from all pairs; every pair in a group has
/// passed the full comparison, and a group never holds two pictures that fail it against each
/// other.
///
/// Thread: pure functions over their arguments; any thread.
namespace SimilarMatch
{

/// Whether @p a and @p b are the same picture: equal aspect within rounding, and either equal
/// brightness, contrast, normalised luminance and colour within the strictness's tolerances, or
/// (with greyCopies) one of them a grey picture whose luminance a fixed mix of the other's colours
/// explains. Symmetric.
bool same(const SimilarDescriptor &a, const SimilarDescriptor &b, const SimilarOptions &options);

struct Groups {
    /// Indices into the descriptors, ascending in each group; groups ordered by their first member.
    std::vector<std::vector<int>> groups;
    bool aborted = false;
};

/// Groups @p descriptors: the pairs found in the index and verified by same() form a graph, and each
/// connected part of it is split into cliques, greedily in index order, so that the result depends
/// only on the descriptors and their order. Identical descriptors are compared once. @p abort is
/// polled between pictures: the groups of the verified pairs found until then are returned.
/// @p progress receives (pictures done, pictures).
Groups findGroups(const std::vector<SimilarDescriptor> &descriptors,
    const SimilarOptions &options,
    const std::atomic<bool> *abort = nullptr,
    const std::function<void(int done, int total)> &progress = {});

} // namespace SimilarMatch

/// Multi-index hashing over 64-bit codes: each code is cut into blocks, and every code within
/// Hamming distance r of a query agrees with it to within r / blocks bits on at least one block,
/// so a query looks up only the few block values near its own in one sorted table per block
/// instead of comparing every code. Memory: about 13 bytes per code and block.
///
/// Thread: build on one thread; then searches may run on several, each with its own Search.
class HammingIndex
{
public:
    /// An index of @p codes cut into @p blocks blocks (1 to 8).
    HammingIndex(std::vector<std::uint64_t> codes, int blocks);

    std::size_t size() const { return m_size; }
    /// The largest radius a search may ask for: up to two bits differ per block looked up.
    int maxRadius() const { return 3 * static_cast<int>(m_tables.size()) - 1; }
    std::size_t memoryBytes() const;

    /// A query's working memory.
    class Search
    {
    public:
        explicit Search(const HammingIndex &index);
        /// The ids of all codes within @p radius (at most maxRadius()) of @p code, each once.
        const std::vector<std::uint32_t> &near(std::uint64_t code, int radius);

    private:
        void probe(std::size_t block, std::uint64_t value, std::uint64_t code, int radius);

        const HammingIndex &m_index;
        std::vector<std::uint32_t> m_seen; // per id, the stamp of the last query that met it
        std::uint32_t m_stamp = 0;
        std::vector<std::uint32_t> m_found;
    };

private:
    struct Table {
        int shift = 0; // the block's first bit
        int bits = 0;
        int bucketBits = 0; // buckets by the top bits of the block value
        std::vector<std::uint64_t> codes; // ascending by block value, so a bucket is one run
        std::vector<std::uint32_t> ids; // the id of each code, read only for codes within reach
        std::vector<std::uint32_t> buckets; // first entry of each bucket, and the end
    };

    std::size_t m_size = 0;
    std::vector<Table> m_tables;
};

} // namespace Duovue
