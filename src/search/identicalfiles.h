#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QtGlobal>

namespace Duovue
{

/// Finds the sets of byte-identical files among candidates for the hash method.
///
/// Each candidate comes with the CRC-32 of its first bytes (headCrc), read where the file was met.
/// Only files that share their size and that first block with another are opened again: most
/// files of a shared size already differ there. Files of one size and head are read side by side
/// in chunks from their first byte and split whenever their chunks differ, so each is read at most
/// once more, stops being read as soon as it differs from all the others, and every set that comes
/// out has been compared byte for byte to its end. The CRC-32 of each set's content is computed on
/// the way (once per set, not per file).
///
/// Thread: any; the functions keep no state between calls.
namespace IdenticalFiles
{

/// The bytes at the start of a file that make up its head.
constexpr std::size_t HeadBytes = 4096;

struct Candidate {
    quint64 size = 0;
    std::uint32_t head = 0; // headCrc of the file
    bool readable = true; // false when the head could not be read: never a member of a set
};

struct Set {
    std::vector<int> members; // indices into the candidates, ascending
    std::uint32_t crc = 0;
};

struct Outcome {
    std::vector<Set> sets; // sets of two or more identical files
    std::vector<int> failed; // candidates that could not be opened or read to their end
    bool cancelled = false;
};

/// Opens candidate @p index for reading; returns the descriptor (closed by the caller) or -1.
using Opener = std::function<int(int index)>;

/// @p progress, when given, receives the number of candidates settled so far (from the calling
/// thread, at most once per group of one size and head). @p cancel is polled per chunk; a
/// cancelled run returns the sets completed before it.
Outcome find(const std::vector<Candidate> &candidates,
    const Opener &open,
    const std::atomic<bool> *cancel = nullptr,
    const std::function<void(int settled)> &progress = {});

/// The CRC-32 of the first min(@p size, HeadBytes) bytes of the open file @p fd (read without
/// moving its offset); nothing when fewer can be read.
std::optional<std::uint32_t> headCrc(int fd, quint64 size);

/// The CRC-32 of a whole open file, read from its start without moving its offset; nothing when
/// it cannot be read.
std::optional<std::uint32_t> fileCrc(int fd);

} // namespace IdenticalFiles

} // namespace Duovue
