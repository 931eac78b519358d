#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

#include "search/identicalfiles.h"
#include "search/searchtable.h"

namespace Duovue
{

struct WalkEntry;

/// The files the hash method gathers, kept small: a folder index and the name's bytes rather than
/// texts, times and size as numbers. A hundred thousand files then take a few megabytes; the texts
/// of a row are made only for the files that end up in a set.
///
/// Thread: one thread at a time.
class HashCandidates
{
public:
    enum class Added {
        Yes,
        NotAFile, // a folder or a special file named like a picture
        Unreadable, // a regular file that could not be opened or read (errno says why)
    };
    /// Takes a candidate met by the walk; every entry of the walk must be passed, in the walk's
    /// order, as its folder numbers count them. Only regular files the walk could open are gathered;
    /// their head is read at once, and with @p withCrc their whole content (a file whose head, or
    /// with @p withCrc whose content, cannot be read is not gathered).
    Added add(const WalkEntry &entry, bool withCrc);

    int size() const { return static_cast<int>(m_candidates.size()); }
    const std::vector<IdenticalFiles::Candidate> &candidates() const { return m_candidates; }

    /// Opens gathered file @p index for reading; -1 when it cannot be opened.
    int open(int index) const;
    /// The path of gathered file @p index, as the rows show it.
    QString path(int index) const;

    /// The search table for @p sets: one row per member of a set, in walk order, keyed with its
    /// set's CRC; with @p allRows (after add() with withCrc) every gathered file with its own CRC,
    /// files outside a set having an identity of their own. A row's order is its walk index.
    SearchTable table(const IdenticalFiles::Outcome &sets, bool allRows) const;

private:
    struct Place {
        qint64 created;
        qint64 modified;
        qsizetype name; // offset into m_names
        int nameLength;
        int folder;
    };

    QByteArray nativePath(int index) const;
    SearchRow row(int index) const;

    std::vector<IdenticalFiles::Candidate> m_candidates;
    std::vector<Place> m_places;
    std::vector<std::uint32_t> m_crcs; // withCrc only
    QByteArray m_names;
    std::vector<QString> m_folders; // ending with "/"
    std::vector<QByteArray> m_nativeFolders;
};

} // namespace Duovue
