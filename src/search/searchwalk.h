#pragma once

#include <atomic>
#include <functional>

#include <QString>

namespace Duovue
{

/// One candidate met by the search walk: an entry whose name has a picture extension.
struct GatheredFile {
    QString name; // without folder
    QString folder; // ends with "/"
    qint64 created = 0; // seconds since 1970 (birth time where recorded, else status change)
    qint64 modified = 0;
    quint64 size = 0;
    bool regular = true; // false for a folder whose name looks like a picture file

    QString path() const { return folder + name; }
};

/// Walks one folder, optionally with its subfolders, for the similar-image search.
///
/// Entries of each folder come in name order ignoring case; a subfolder is walked where it is met,
/// before the entries after it. A folder reached twice (through a link) is entered only once, so
/// link loops end. Names that are not valid UTF-8 are skipped rather than turned into the path of
/// another file. Unreadable folders add nothing. @p stop is polled per entry; once it is set every
/// level stops.
///
/// Thread: any; the callback runs on the calling thread.
namespace SearchWalk
{

/// @p folder may end in any number of "/" (they are removed first; "/" alone is the root).
/// Returns the number of candidates passed to @p onFile.
int walk(const QString &folder,
    bool subfolders,
    const std::atomic<bool> &stop,
    const std::function<void(GatheredFile &&)> &onFile);

/// The folder text with its trailing "/" removed, the root kept as "/".
QString trimmedFolder(const QString &folder);

} // namespace SearchWalk

} // namespace Duovue
