#include "search/identicalfiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <unordered_map>

#include "search/crc32.h"

namespace Duovue::IdenticalFiles
{

namespace
{

// Chunks small enough that the chunks of a few files stay in the processor's cache while they are
// compared and hashed: copying from the page cache into a cold buffer costs more than the reading.
constexpr std::size_t Chunk = 64 * 1024;
constexpr std::size_t MinChunk = 4096;
constexpr std::size_t ChunkBudget = 64u * 1024 * 1024; // bytes held at once for one group
constexpr std::size_t MaxOpenFiles = 256; // larger groups reopen their files per chunk

// Reads exactly @p length bytes at @p offset; false on any shortfall (the file changed or failed).
bool readAt(int fd, quint64 offset, unsigned char *out, std::size_t length)
{
    std::size_t got = 0;
    while (got < length) {
        const ssize_t r = ::pread(fd, out + got, length - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return got == length;
}

// Descriptors of one group's files, closed however the group's pass ends. A group too large to
// keep open has no slots, and each read opens its file anew.
class GroupFiles
{
public:
    GroupFiles(const std::vector<int> &members, const Opener &open)
        : m_open(open)
    {
        if (members.size() > MaxOpenFiles)
            return;
        for (int m : members)
            m_fds.emplace(m, open(m));
    }
    ~GroupFiles()
    {
        for (const auto &[member, fd] : m_fds) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    GroupFiles(const GroupFiles &) = delete;
    GroupFiles &operator=(const GroupFiles &) = delete;

    bool read(int member, quint64 offset, unsigned char *out, std::size_t length)
    {
        const auto it = m_fds.find(member);
        if (it != m_fds.end())
            return it->second >= 0 && readAt(it->second, offset, out, length);
        const int fd = m_open(member);
        if (fd < 0)
            return false;
        const bool ok = readAt(fd, offset, out, length);
        ::close(fd);
        return ok;
    }

    // Done with @p member: it differs from all others or failed.
    void release(int member)
    {
        const auto it = m_fds.find(member);
        if (it != m_fds.end() && it->second >= 0) {
            ::close(it->second);
            it->second = -1;
        }
    }

private:
    const Opener &m_open;
    std::unordered_map<int, int> m_fds;
};

// A cheap fingerprint of a chunk to sort members into candidate subsets before the exact compare.
std::uint64_t fingerprint(const unsigned char *p, std::size_t n)
{
    std::uint64_t h = n * 0x9E3779B97F4A7C15ull;
    if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ p[i]) * 0x100000001B3ull;
        return h;
    }
    for (int k = 0; k < 16; ++k) {
        std::uint64_t w;
        std::memcpy(&w, p + (n - 8) * std::size_t(k) / 15, 8);
        h = (h ^ w) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    return h;
}

struct WorkSet {
    std::vector<int> members;
    Crc32 crc; // the content so far, equal for every member
};

// Compares the files of one group (same size, same head) to their ends; appends the sets found.
// False when cancelled.
bool compareGroup(std::vector<int> members,
    quint64 size,
    const Opener &open,
    const std::atomic<bool> *cancel,
    std::vector<unsigned char> &buffer,
    std::vector<Set> &sets,
    std::vector<int> &failed)
{
    std::sort(members.begin(), members.end());
    GroupFiles files(members, open);
    std::vector<WorkSet> live(1);
    live[0].members = std::move(members);
    quint64 offset = 0;
    while (!live.empty() && offset < size) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return false;
        std::size_t active = 0;
        for (const WorkSet &s : live)
            active += s.members.size();
        std::size_t chunk = std::clamp(ChunkBudget / active, MinChunk, Chunk);
        chunk = static_cast<std::size_t>(std::min<quint64>(chunk, size - offset));

        std::vector<WorkSet> next;
        for (WorkSet &set : live) {
            const std::size_t n = set.members.size();
            if (buffer.size() < n * chunk)
                buffer.resize(n * chunk);
            std::vector<int> readable;
            std::vector<unsigned char *> data;
            for (std::size_t m = 0; m < n; ++m) {
                unsigned char *dest = buffer.data() + m * chunk;
                const int member = set.members[m];
                if (files.read(member, offset, dest, chunk)) {
                    readable.push_back(member);
                    data.push_back(dest);
                } else {
                    files.release(member);
                    failed.push_back(member);
                }
            }
            // Split by content: members go to the first subset whose chunk equals theirs.
            struct Sub {
                std::size_t representative;
                std::vector<int> members;
            };
            std::vector<Sub> subs;
            std::unordered_multimap<std::uint64_t, std::size_t> byPrint;
            for (std::size_t m = 0; m < readable.size(); ++m) {
                const std::uint64_t print = fingerprint(data[m], chunk);
                bool placed = false;
                const auto range = byPrint.equal_range(print);
                for (auto it = range.first; it != range.second && !placed; ++it) {
                    Sub &sub = subs[it->second];
                    if (std::memcmp(data[sub.representative], data[m], chunk) == 0) {
                        sub.members.push_back(readable[m]);
                        placed = true;
                    }
                }
                if (!placed) {
                    byPrint.emplace(print, subs.size());
                    subs.push_back({m, {readable[m]}});
                }
            }
            for (Sub &sub : subs) {
                if (sub.members.size() < 2) {
                    files.release(sub.members.front());
                    continue;
                }
                WorkSet child;
                child.crc = set.crc;
                child.crc.update(data[sub.representative], chunk);
                child.members = std::move(sub.members);
                next.push_back(std::move(child));
            }
        }
        live = std::move(next);
        offset += chunk;
    }
    for (WorkSet &set : live)
        sets.push_back({std::move(set.members), set.crc.value()});
    return true;
}

} // namespace

Outcome find(const std::vector<Candidate> &candidates,
    const Opener &open,
    const std::atomic<bool> *cancel,
    const std::function<void(int)> &progress)
{
    Outcome outcome;
    std::vector<int> order;
    order.reserve(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i].readable)
            order.push_back(static_cast<int>(i));
    }
    int settled = static_cast<int>(candidates.size() - order.size());
    auto sameGroup = [&](int a, int b) {
        return candidates[std::size_t(a)].size == candidates[std::size_t(b)].size
            && candidates[std::size_t(a)].head == candidates[std::size_t(b)].head;
    };
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Candidate &x = candidates[std::size_t(a)];
        const Candidate &y = candidates[std::size_t(b)];
        return x.size != y.size ? x.size < y.size : x.head != y.head ? x.head < y.head : a < b;
    });

    std::vector<unsigned char> buffer;
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && sameGroup(order[begin], order[end]))
            ++end;
        if (end - begin >= 2) {
            if (cancel && cancel->load(std::memory_order_relaxed)) {
                outcome.cancelled = true;
                return outcome;
            }
            const std::vector<int> members(order.begin() + std::ptrdiff_t(begin), order.begin() + std::ptrdiff_t(end));
            if (!compareGroup(members,
                    candidates[std::size_t(order[begin])].size,
                    open,
                    cancel,
                    buffer,
                    outcome.sets,
                    outcome.failed)) {
                outcome.cancelled = true;
                return outcome;
            }
            settled += static_cast<int>(end - begin);
            if (progress)
                progress(settled);
        } else {
            ++settled;
        }
        begin = end;
    }
    if (progress)
        progress(settled);
    return outcome;
}

std::optional<std::uint32_t> headCrc(int fd, quint64 size)
{
    unsigned char head[HeadBytes];
    const std::size_t length = static_cast<std::size_t>(std::min<quint64>(size, HeadBytes));
    if (!readAt(fd, 0, head, length))
        return std::nullopt;
    return Crc32::of(head, length);
}

std::optional<std::uint32_t> fileCrc(int fd)
{
    std::vector<unsigned char> buffer(Chunk);
    Crc32 crc;
    for (quint64 offset = 0;;) {
        const ssize_t r = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return std::nullopt;
        if (r == 0)
            break;
        crc.update(buffer.data(), static_cast<std::size_t>(r));
        offset += static_cast<quint64>(r);
    }
    return crc.value();
}

} // namespace Duovue::IdenticalFiles
