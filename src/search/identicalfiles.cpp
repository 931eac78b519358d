#include "search/identicalfiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include <QFile>

#include "search/crc32.h"

namespace Duovue::IdenticalFiles
{

namespace
{

// Chunks small enough that the chunks of a few files stay in the processor's cache while they are
// compared and hashed: copying from the page cache into a cold buffer costs more than the reading.
constexpr std::size_t Chunk = 64 * 1024;
constexpr std::size_t MinChunk = 4096;
constexpr std::size_t ChunkBudget = 64u * 1024 * 1024; // bytes held at once for one size
constexpr std::size_t MaxOpenFiles = 256; // larger sets of one size reopen their files per chunk

// Reads exactly @p length bytes at @p offset from @p fd, or from the file at @p nativePath when
// @p fd is -1; false on any shortfall (the file changed or failed).
bool readAt(int fd, const QByteArray &nativePath, quint64 offset, unsigned char *out, std::size_t length)
{
    const bool own = fd < 0;
    if (own)
        fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t got = 0;
    while (got < length) {
        const ssize_t r = ::pread(fd, out + got, length - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    if (own)
        ::close(fd);
    return got == length;
}

// Open descriptors of one size's files, closed however the size's pass ends.
struct OpenFiles {
    std::vector<int> fds;
    explicit OpenFiles(std::size_t n)
        : fds(n, -1)
    {
    }
    ~OpenFiles()
    {
        for (int fd : fds) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    OpenFiles(const OpenFiles &) = delete;
    OpenFiles &operator=(const OpenFiles &) = delete;
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

} // namespace

Outcome find(
    const std::vector<Candidate> &candidates, const std::atomic<bool> *cancel, const std::function<void(int)> &progress)
{
    Outcome outcome;
    auto cancelled = [&] {
        return cancel && cancel->load(std::memory_order_relaxed);
    };

    std::vector<int> order(candidates.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return candidates[std::size_t(a)].size < candidates[std::size_t(b)].size;
    });

    std::vector<QByteArray> native(candidates.size());
    std::vector<unsigned char> buffer;
    int settled = 0;

    for (std::size_t begin = 0; begin < order.size();) {
        const quint64 size = candidates[std::size_t(order[begin])].size;
        std::size_t end = begin + 1;
        while (end < order.size() && candidates[std::size_t(order[end])].size == size)
            ++end;
        const std::size_t count = end - begin;
        if (count < 2) {
            settled += static_cast<int>(count);
            begin = end;
            continue;
        }
        if (cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }

        std::vector<WorkSet> open(1);
        for (std::size_t k = begin; k < end; ++k) {
            open[0].members.push_back(order[k]);
            native[std::size_t(order[k])] = QFile::encodeName(candidates[std::size_t(order[k])].path);
        }
        std::sort(open[0].members.begin(), open[0].members.end());
        // Member m of the size's files keeps its descriptor at fds[slot[m]] while it is compared.
        OpenFiles files(count <= MaxOpenFiles ? count : 0);
        std::unordered_map<int, std::size_t> slot;
        for (std::size_t k = 0; k < files.fds.size(); ++k) {
            const int m = open[0].members[k];
            slot.emplace(m, k);
            files.fds[k] = ::open(native[std::size_t(m)].constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        }
        auto fdOf = [&](int m) {
            const auto it = slot.find(m);
            return it == slot.end() ? -1 : files.fds[it->second];
        };
        auto release = [&](int m) {
            const auto it = slot.find(m);
            if (it != slot.end() && files.fds[it->second] >= 0) {
                ::close(files.fds[it->second]);
                files.fds[it->second] = -1;
            }
        };

        quint64 offset = 0;
        while (!open.empty() && offset < size) {
            if (cancelled()) {
                outcome.cancelled = true;
                return outcome;
            }
            std::size_t active = 0;
            for (const WorkSet &s : open)
                active += s.members.size();
            std::size_t chunk = std::clamp(ChunkBudget / active, MinChunk, Chunk);
            chunk = static_cast<std::size_t>(std::min<quint64>(chunk, size - offset));

            std::vector<WorkSet> next;
            for (WorkSet &set : open) {
                const std::size_t n = set.members.size();
                if (buffer.size() < n * chunk)
                    buffer.resize(n * chunk);
                std::vector<int> readable;
                std::vector<unsigned char *> data;
                for (std::size_t m = 0; m < n; ++m) {
                    unsigned char *dest = buffer.data() + m * chunk;
                    const int member = set.members[m];
                    if (readAt(fdOf(member), native[std::size_t(member)], offset, dest, chunk)) {
                        readable.push_back(member);
                        data.push_back(dest);
                    } else {
                        release(member);
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
                        release(sub.members.front()); // differs from all others: done with it
                        continue;
                    }
                    WorkSet child;
                    child.crc = set.crc;
                    child.crc.update(data[sub.representative], chunk);
                    child.members = std::move(sub.members);
                    next.push_back(std::move(child));
                }
            }
            open = std::move(next);
            offset += chunk;
        }
        for (WorkSet &set : open)
            outcome.sets.push_back({std::move(set.members), set.crc.value()});
        for (std::size_t k = begin; k < end; ++k)
            native[std::size_t(order[k])].clear();
        settled += static_cast<int>(count);
        if (progress)
            progress(settled);
        begin = end;
    }
    if (progress)
        progress(settled);
    return outcome;
}

std::optional<std::uint32_t> fileCrc(const QString &path)
{
    const QByteArray nativePath = QFile::encodeName(path);
    // Not blocking on open: a FIFO named like a picture is refused by the check below.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<unsigned char> buffer(Chunk);
    Crc32 crc;
    for (;;) {
        const ssize_t r = ::read(fd, buffer.data(), buffer.size());
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (r == 0)
            break;
        crc.update(buffer.data(), static_cast<std::size_t>(r));
    }
    ::close(fd);
    return crc.value();
}

} // namespace Duovue::IdenticalFiles
