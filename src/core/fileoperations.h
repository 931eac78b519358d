#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

#include "core/trash.h"

namespace Duovue
{

class ShellServices;
class UserPrompts;

/// What a file is on disk: its device and inode (which tell two paths of one file apart from two
/// files), its size and its modification time in nanoseconds.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    /// Both stamps name the same file, whatever the paths that reached it.
    bool sameFile(const FileStamp &other) const { return device == other.device && inode == other.inode; }
    /// The same file, unchanged since the other stamp was taken.
    bool sameContent(const FileStamp &other) const
    {
        return sameFile(other) && size == other.size && modifiedNs == other.modifiedNs;
    }
};

/// Trash, move and copy of single files, each reporting what really happened on disk.
///
/// Move and copy never destroy a file they were not asked to replace and never lose one they were:
/// the new file is put in place by one rename (over the old one when the caller agreed), a copy
/// across file systems goes to a temporary file in the target folder first, and on any failure the
/// source stays and the target is untouched. "Same source and target" compares the files'
/// identities, so a folder reached through a link or a second mount is recognised. A move or a trash
/// of a symbolic link acts on the link itself, never on the file it leads to (a move across file
/// systems makes the same link there); a copy copies the file the link leads to.
///
/// Copies are written to hidden temporary files (core/temporaryfile.h) that a killed run leaves
/// behind at worst; the next copy into that folder removes them.
///
/// Thread: any (the functions touch nothing shared); the hooks run on the calling thread. Callers on
/// the GUI thread with many or large files use the progress hook to keep the window alive and to
/// abort.
namespace FileOperations
{

/// The outcome of one file.
enum class Outcome {
    Done, ///< trashed (or, for trash, nothing was at the path), moved or copied
    Declined, ///< the target existed and the caller chose not to replace it; nothing changed
    SameFile, ///< source and target are one file; nothing changed
    ReplaceFailed, ///< the target exists and cannot be replaced (a folder, say); nothing changed
    Failed, ///< the operation failed; the source stays, the target is untouched
    SourceKept, ///< move across file systems: the target was written but the source could not be removed
    Aborted, ///< stopped by the progress hook or the caller's answer; nothing changed for this file
};

enum class Kind { Trash, Move, Copy };

struct Result {
    Kind kind = Kind::Move;
    QString source;
    /// The target path (for trash, the file's place in the trash; empty when nothing was there).
    QString target;
    Outcome outcome = Outcome::Failed;
    /// A file was at the target before the operation (and was replaced when the outcome is Done).
    bool targetExisted = false;
    /// The system's reason for a failure, shown with the program's message; empty otherwise.
    QString reason;
    /// For a file that went to the trash: its entry there, to put it back.
    TrashEntry trashed;

    /// The source file is gone from its place (trashed or moved), so a list row naming it must go.
    bool sourceGone() const { return outcome == Outcome::Done && kind != Kind::Copy; }
};

/// The caller's answer when a file already sits at the target.
enum class ExistingTarget { Replace, Skip, Abort };

struct Progress {
    qsizetype fileIndex = 0; ///< 0-based index of the file being worked on
    qsizetype fileCount = 1;
    qint64 bytesDone = 0; ///< bytes of this file copied so far (0 for renames)
    qint64 fileSize = 0;
};

struct Hooks {
    /// Asked when a file sits at the target; without it such a target is skipped (Declined).
    std::function<ExistingTarget(const QString &source, const QString &target)> existingTarget;
    /// Called before each file and between the chunks of a copy; returning false aborts. A copy
    /// stopped midway leaves nothing behind.
    std::function<bool(const Progress &)> progress;
};

/// Reads the stamp of the file at @p path, following links; nothing when it cannot be read.
std::optional<FileStamp> stamp(const QString &path);

/// Moves @p source to @p target (a file path).
Result move(const QString &source, const QString &target, const Hooks &hooks = {});
/// Copies @p source to @p target (a file path); the copy keeps the source's permissions and times.
Result copy(const QString &source, const QString &target, const Hooks &hooks = {});

/// Moves or copies each of @p sources into @p folder under its own file name, in the order given.
/// An Abort answer or an aborting progress hook marks that file and every later one Aborted.
QList<Result> moveToFolder(const QStringList &sources, const QString &folder, const Hooks &hooks = {});
QList<Result> copyToFolder(const QStringList &sources, const QString &folder, const Hooks &hooks = {});

/// Sends each path to the recycle bin through @p shell and says, per path, whether it went, and
/// checks where it went: a file that the shell reports trashed but that is still in its place, or
/// that went anywhere but a trash folder, is a failure (one that went astray is put back). A path
/// where nothing is (not even a dangling link) counts as gone without asking the shell; so does a
/// path that is not absolute (the placeholder name of a row whose file was found missing), which
/// would otherwise be resolved against the working folder. Move and copy refuse such paths
/// (Failed) without touching anything.
QList<Result> trash(ShellServices &shell, const QStringList &paths);

/// The target of @p source in @p folder: the folder (a trailing "/" or none) and the file name.
QString targetInFolder(const QString &source, const QString &folder);

/// Hooks that ask the user before a target is replaced, with the program's question (the file name,
/// then that a file of that name exists at the move or copy target and whether to overwrite it).
Hooks askBeforeReplacing(UserPrompts &prompts, bool moving);

/// Shows the program's message for a result that did not succeed (same file, replace failed, move
/// or copy failed, trash failed, source kept); nothing for Done, Declined and Aborted.
void reportFailure(UserPrompts &prompts, const Result &result);

} // namespace FileOperations

} // namespace Duovue
