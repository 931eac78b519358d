#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/result.h"
#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// Appends the picture files of a folder (optionally with its subfolders) to a FileList.
///
/// Each folder's entries are taken in case-insensitive name order; a subfolder's files are added
/// where the subfolder is met, before the rest of its parent folder. Only regular files whose
/// extension is one of ImageExtensions() are added; folders never are. Names that are not valid
/// UTF-8 are kept with their bytes (NativePath), and a folder that is reached a second time through
/// a symbolic link (same device and inode) is not entered again, so link loops end. A folder that cannot be read adds
/// nothing and is listed in unreadableFolders().
///
/// Folders are opened relative to their parent's descriptor, so the depth of a tree is not bounded
/// by the longest path the system accepts, and only a fixed number of descriptors is held however
/// deep the walk goes.
///
/// The scan polls the abort flag for every name and stops when it is set, leaving the flag set so
/// that the caller sees it. What it leaves in the list is always a prefix of what the whole scan
/// would have added, in the same order: a folder that was being read when the flag was set adds
/// nothing, and nothing after it is added. The progress callback runs at most once per interval so
/// that a GUI caller can let the event loop run (abort button, repaint).
///
/// Thread: the thread that owns the FileList; the abort flag may be set from anywhere.
class FolderScan
{
public:
    FolderScan(FileList &list, const std::atomic<bool> &abortRequested);

    void setIncludeSubfolders(bool on) { m_includeSubfolders = on; }
    void setProgressCallback(std::function<void()> callback, std::chrono::milliseconds interval);

    /// Scans @p folder, given without a trailing "/" ("" is the root folder). Returns false when
    /// the folder itself could not be opened.
    bool scan(const QString &folder);

    /// Appends the file at @p path as the scan would (a dropped file). Returns false when it is not
    /// a regular file with a picture extension, or cannot be read.
    bool appendFile(const QString &path);

    bool aborted() const { return m_abort.load(std::memory_order_relaxed); }

    /// Folders below the scanned ones that could not be read in full (no permission, an I/O error,
    /// changed while the walk was inside them), as paths without a trailing "/", in the order they
    /// were met. Kept across calls of scan() on this object.
    const QStringList &unreadableFolders() const { return m_unreadable; }

    /// The times and the length of one file, as a scan records them in the list columns.
    struct FileFacts {
        qint64 created = 0; // seconds since 1970; the birth time, else the last status change
        qint64 modified = 0;
        quint64 size = 0;
    };

    /// Looks up one file the way the scan does (links followed). NotFound when nothing, or
    /// something other than a regular file, is at @p path; AccessDenied or ReadFailed when it
    /// cannot be told.
    static Result<FileFacts> statFile(const QString &path);

    /// The text of a folder column for @p folder given without a trailing "/": "/" for the root.
    static QString folderText(const QString &folder);

private:
    struct Candidate;
    struct Frame;

    enum class Entered { Yes, Skipped, Unreadable, Stopped };
    /// Lists the folder open at @p fd (taken over) and, depth first, its subfolders; false when
    /// that folder cannot be read at all.
    bool walk(int fd);
    /// Reads the folder open at @p fd (taken over) into a new frame on top of @p stack.
    Entered enter(std::vector<Frame> &stack, int fd, std::string name);
    /// The descriptor of stack[index], opened again from the nearest open ancestor when it was
    /// closed to spare descriptors; -1 when that folder is no longer the one the walk was in.
    int frameFd(std::vector<Frame> &stack, size_t index);
    void noteUnreadable(const QString &folderText);
    bool pollStop();

    FileList &m_list;
    const std::atomic<bool> &m_abort;
    bool m_includeSubfolders = false;
    std::function<void()> m_progress;
    std::chrono::steady_clock::duration m_interval{};
    std::chrono::steady_clock::time_point m_lastProgress{};
    unsigned m_tick = 0;
    std::set<std::pair<quint64, quint64>> m_visited;
    QString m_text; // folder column of the folder being read
    QStringList m_unreadable;
};

} // namespace Duovue
