#pragma once

#include <atomic>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>

namespace Duovue
{

/// What tells a file from every other and from its own earlier contents, as the walk read it: a
/// change of content moves the change time (which no one can set back), and a file put in its
/// place has another inode or device.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    quint64 size = 0;
    qint64 modifiedNs = 0; // nanoseconds since 1970
    qint64 changedNs = 0; // status change, nanoseconds since 1970

    bool operator==(const FileIdentity &) const = default;
};

/// One candidate met by the search walk: an entry whose name has a picture extension.
struct GatheredFile {
    QString name; // without folder
    QString folder; // ends with "/"
    qint64 created = 0; // seconds since 1970 (birth time where recorded, else status change)
    qint64 modified = 0;
    quint64 size = 0;
    bool regular = true; // false for a folder whose name looks like a picture file
    FileIdentity identity;

    QString path() const { return folder + name; }
};

/// A candidate as the walk meets it, valid only during the callback: nothing is copied, so a
/// caller that keeps little per file (the hash method at a hundred thousand files) can.
struct WalkEntry {
    int folder = 0; // index of the folder among those that gave entries, in the order of their first
    const QString &folderText; // ends with "/"
    const QByteArray &nativeFolder; // the folder in the file-name encoding, without the final "/"
    const QString &name;
    const QByteArray &nativeName;
    qint64 created = 0;
    qint64 modified = 0;
    quint64 size = 0;
    bool regular = true;
    /// Open for reading when the walk was asked to open files and this regular file could be
    /// opened; -1 otherwise. The walk closes it after the callback.
    int fd = -1;
    int openError = 0; // why a regular file could not be opened (errno), else 0
    FileIdentity identity;
};

/// Walks one folder, optionally with its subfolders, for the similar-image search.
///
/// Entries of each folder come in name order ignoring case; a subfolder is walked where it is met,
/// before the entries after it. A folder reached twice (through a link) is entered only once, so
/// link loops end. Symbolic links to files are never candidates, and a file with several names
/// (hard links) is offered once, under the first name met: two names of one file are not two
/// files, and a duplicate search that offered both would let a rule check the one holding the
/// data. Subfolders are opened relative to their parent, so depth is no limit. Names that are not
/// valid UTF-8 are skipped rather than turned into the path of another file. Unreadable folders
/// add nothing but are passed to @p onUnreadable, when given, with the reason (errno). @p stop is
/// polled per entry; once it is set every level stops.
///
/// Thread: any; the callback runs on the calling thread.
namespace SearchWalk
{

/// @p folder may end in any number of "/" (they are removed first; "/" alone is the root).
/// Returns the number of candidates passed to @p onFile.
using UnreadableFolder = std::function<void(const QString &folder, int error)>;

int walk(const QString &folder,
    bool subfolders,
    const std::atomic<bool> &stop,
    const std::function<void(GatheredFile &&)> &onFile,
    const UnreadableFolder &onUnreadable = {});

/// The same walk without copies. With @p openFiles each regular candidate is opened (without
/// blocking, so a FIFO that replaced it meanwhile cannot hang the walk) and its status read from
/// the open file; a regular file that cannot be opened comes with fd -1.
int walkEntries(const QString &folder,
    bool subfolders,
    bool openFiles,
    const std::atomic<bool> &stop,
    const std::function<void(const WalkEntry &)> &onEntry,
    const UnreadableFolder &onUnreadable = {});

/// The folder text with its trailing "/" removed, the root kept as "/".
QString trimmedFolder(const QString &folder);

/// The identity of the file at @p nativePath (links followed), as the walk reads it; nothing when
/// it cannot be read, errno then telling why.
std::optional<FileIdentity> identityOf(const QByteArray &nativePath);

} // namespace SearchWalk

} // namespace Duovue
