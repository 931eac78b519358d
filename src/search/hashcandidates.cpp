#include "search/hashcandidates.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "core/longpath.h"
#include "core/nativepath.h"
#include "lists/textformats.h"
#include "search/crc32.h"
#include "search/searchwalk.h"

namespace Duovue
{

HashCandidates::Added HashCandidates::add(const WalkEntry &entry, bool withCrc)
{
    // Folders are numbered by their first entry, gathered or not.
    if (entry.folder == static_cast<int>(m_folders.size())) {
        m_folders.push_back(entry.folderText);
        m_nativeFolders.push_back(entry.nativeFolder);
    }
    if (!entry.regular)
        return Added::NotAFile;
    if (entry.fd < 0) {
        errno = entry.openError;
        return Added::Unreadable;
    }
    // A read that comes short without an error met a file that changed while it was read.
    errno = 0;
    std::uint32_t crc = 0;
    if (withCrc) {
        const std::optional<std::uint32_t> whole = IdenticalFiles::fileCrc(entry.fd);
        if (!whole)
            return Added::Unreadable;
        crc = *whole;
    }
    const std::optional<std::uint32_t> head = IdenticalFiles::headCrc(entry.fd, entry.size);
    if (!head) {
        if (errno == 0)
            errno = EIO;
        return Added::Unreadable;
    }
    m_candidates.push_back({entry.size, *head, true});
    m_places.push_back(
        {entry.created, entry.modified, m_names.size(), static_cast<int>(entry.nativeName.size()), entry.folder});
    m_names += entry.nativeName;
    if (withCrc)
        m_crcs.push_back(crc);
    return Added::Yes;
}

QByteArray HashCandidates::nativePath(int index) const
{
    const Place &p = m_places[std::size_t(index)];
    QByteArray path = m_nativeFolders[std::size_t(p.folder)];
    if (!path.endsWith('/'))
        path += '/';
    path += QByteArrayView(m_names.constData() + p.name, p.nameLength);
    return path;
}

int HashCandidates::open(int index) const
{
    return LongPath::open(nativePath(index), O_RDONLY | O_NONBLOCK | O_NOCTTY);
}

QString HashCandidates::path(int index) const
{
    const Place &p = m_places[std::size_t(index)];
    return m_folders[std::size_t(p.folder)]
        + NativePath::decode(QByteArrayView(m_names.constData() + p.name, p.nameLength));
}

SearchRow HashCandidates::row(int index) const
{
    const Place &p = m_places[std::size_t(index)];
    SearchRow row;
    row.name = NativePath::decode(QByteArrayView(m_names.constData() + p.name, p.nameLength));
    row.folder = m_folders[std::size_t(p.folder)];
    row.created = FormatFileTime(p.created);
    row.modified = FormatFileTime(p.modified);
    row.size = m_candidates[std::size_t(index)].size;
    row.order = index;
    return row;
}

SearchTable HashCandidates::table(const IdenticalFiles::Outcome &sets, bool allRows) const
{
    // The set of each member; -1 for files in none.
    std::vector<int> setOf(m_candidates.size(), -1);
    std::size_t members = 0;
    for (std::size_t s = 0; s < sets.sets.size(); ++s) {
        for (int m : sets.sets[s].members)
            setOf[std::size_t(m)] = static_cast<int>(s);
        members += sets.sets[s].members.size();
    }
    // One key and one identity text per set, shared by its rows.
    std::vector<QString> keys;
    std::vector<QByteArray> identities;
    keys.reserve(sets.sets.size());
    identities.reserve(sets.sets.size());
    for (std::size_t s = 0; s < sets.sets.size(); ++s) {
        keys.push_back(Crc32::keyText(sets.sets[s].crc));
        identities.push_back(QByteArray::number(static_cast<qulonglong>(s)));
    }
    SearchTable table;
    table.reserve(allRows ? m_candidates.size() : members);
    for (int i = 0; i < size(); ++i) {
        const int set = setOf[std::size_t(i)];
        if (set < 0 && !allRows)
            continue;
        SearchRow r = row(i);
        if (allRows) {
            // Every file has its key, but an equal key is still no proof of equal bytes: the
            // groups come from the identical-content sets alone.
            r.key = Crc32::keyText(m_crcs[std::size_t(i)]);
            r.identity = set >= 0 ? identities[std::size_t(set)] : "solo:" + QByteArray::number(i);
        } else {
            r.key = keys[std::size_t(set)];
            r.identity = identities[std::size_t(set)];
        }
        table.push_back(std::move(r));
    }
    return table;
}

} // namespace Duovue
