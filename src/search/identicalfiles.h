#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>

namespace Duovue
{

/// Finds the sets of byte-identical files among candidates for the hash method.
///
/// A file whose size no other candidate shares cannot have a duplicate and is never opened. Files
/// of one size are read side by side in chunks and split whenever their chunks differ, so each
/// file is read at most once, a file stops being read as soon as it differs from all the others,
/// and every set that comes out has been compared byte for byte to its end. The CRC-32 of each
/// set's content is computed on the way (once per set, not per file).
///
/// Thread: any; one call at a time per object is not required (the functions are stateless).
namespace IdenticalFiles
{

struct Candidate {
    QString path;
    quint64 size = 0;
};

struct Set {
    std::vector<int> members; // indices into the candidates, ascending
    std::uint32_t crc = 0;
};

struct Outcome {
    std::vector<Set> sets; // sets of two or more identical files
    bool cancelled = false;
};

/// @p progress, when given, receives the number of candidates settled so far (from the calling
/// thread, at most once per chunk). @p cancel is polled per chunk; a cancelled run returns the
/// sets completed before it.
Outcome find(const std::vector<Candidate> &candidates,
    const std::atomic<bool> *cancel = nullptr,
    const std::function<void(int settled)> &progress = {});

/// The CRC-32 of a whole file, read in chunks; nothing when it cannot be opened or read.
std::optional<std::uint32_t> fileCrc(const QString &path);

} // namespace IdenticalFiles

} // namespace Duovue
