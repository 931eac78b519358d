#include "search/searchwalk.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QFile>

#include "core/longpath.h"
#include "core/nativepath.h"
#include "lists/textformats.h"

namespace Duovue::SearchWalk
{

namespace
{

constexpr unsigned StatMask = STATX_BASIC_STATS | STATX_BTIME;

FileIdentity identityOf(const struct statx &sx)
{
    FileIdentity id;
    id.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id.inode = sx.stx_ino;
    id.size = sx.stx_size;
    id.modifiedNs = qint64(sx.stx_mtime.tv_sec) * 1000000000 + sx.stx_mtime.tv_nsec;
    id.changedNs = qint64(sx.stx_ctime.tv_sec) * 1000000000 + sx.stx_ctime.tv_nsec;
    return id;
}

// Decodes a name from the file-name encoding; false when it is not valid there. Most names are
// ASCII, which needs no round trip.
bool decodeName(const QByteArray &native, QString *text)
{
    if (std::all_of(native.begin(), native.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        })) {
        *text = QString::fromLatin1(native);
        return true;
    }
    *text = NativePath::decode(native);
    return true;
}

struct Walker {
    bool subfolders;
    bool openFiles;
    const std::atomic<bool> &stop;
    const std::function<void(const WalkEntry &)> &onEntry;
    const UnreadableFolder &onUnreadable;
    std::set<std::pair<dev_t, ino_t>> visited;
    std::set<std::pair<dev_t, quint64>> files; // regular files with more than one name, met so far
    int folders = 0;
    int count = 0;

    bool stopped() const { return stop.load(std::memory_order_relaxed); }

    void unreadable(const QString &folderText, int error) const
    {
        if (onUnreadable)
            onUnreadable(trimmedFolder(folderText), error);
    }

    // Takes ownership of @p dirFd.
    void walkFolder(int dirFd, const QString &folderText, const QByteArray &nativeFolder)
    {
        struct stat self {
        };
        if (::fstat(dirFd, &self) != 0 || !visited.insert({self.st_dev, self.st_ino}).second) {
            ::close(dirFd);
            return;
        }
        DIR *dir = ::fdopendir(dirFd);
        if (!dir) {
            unreadable(folderText, errno);
            ::close(dirFd);
            return;
        }
        struct Name {
            QString text;
            QByteArray native;
            unsigned char type;
        };
        std::vector<Name> names;
        while (const dirent *e = ::readdir(dir)) {
            const QByteArray native(e->d_name);
            if (native == "." || native == "..")
                continue;
            QString text;
            if (decodeName(native, &text))
                names.push_back({std::move(text), native, e->d_type});
        }
        std::sort(names.begin(), names.end(), [](const Name &a, const Name &b) {
            const int c = a.text.compare(b.text, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.native < b.native;
        });

        const int fd = ::dirfd(dir);
        int index = -1;
        for (const Name &n : names) {
            if (stopped())
                break;
            struct statx sx {
            };
            bool known = false; // sx holds the entry's own status (never a link's target)
            auto statByName = [&](int flags) {
                known = ::statx(fd, n.native.constData(), AT_STATX_SYNC_AS_STAT | flags, StatMask, &sx) == 0;
                return known;
            };
            // The entry's type from the listing spares a status call per file; file systems that
            // do not say, and special files, are asked.
            bool isDir = n.type == DT_DIR;
            bool isLink = n.type == DT_LNK;
            if (!isDir && !isLink && n.type != DT_REG) {
                if (!statByName(AT_SYMLINK_NOFOLLOW))
                    continue; // gone meanwhile
                isDir = S_ISDIR(sx.stx_mode);
                isLink = S_ISLNK(sx.stx_mode);
            }
            if (isLink) {
                // A link to a file is a second name of a file that lives elsewhere: offered as a
                // duplicate of it, a rule could check the file and keep the link, and the picture
                // would be gone. Links to folders are walked like the folders.
                known = false;
                if (!subfolders || !statByName(0) || !S_ISDIR(sx.stx_mode))
                    continue;
                isDir = true;
            }
            if (isDir && subfolders) {
                const int childFd = ::openat(fd, n.native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                const int childError = errno;
                const QString childText = folderText + n.text + QLatin1Char('/');
                if (childFd >= 0) {
                    QByteArray childNative = nativeFolder;
                    if (!childNative.endsWith('/'))
                        childNative += '/';
                    childNative += n.native;
                    walkFolder(childFd, childText, childNative);
                } else if (childError != ENOENT) { // a folder removed meanwhile hides nothing
                    unreadable(childText, childError);
                }
                if (stopped())
                    break;
            }
            if (isLink || !hasImageExtension(n.text))
                continue;

            int file = -1;
            int openError = 0;
            if (openFiles && !isDir && (!known || S_ISREG(sx.stx_mode))) {
                // Not through a link that replaced the file since it was listed.
                file = ::openat(fd, n.native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
                openError = file < 0 ? errno : 0;
                if (file >= 0) {
                    known = ::statx(file, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, StatMask, &sx) == 0
                        && S_ISREG(sx.stx_mode);
                    if (!known) { // replaced by something else meanwhile
                        ::close(file);
                        file = -1;
                    }
                }
            }
            if ((!known && !statByName(AT_SYMLINK_NOFOLLOW)) || S_ISLNK(sx.stx_mode)) {
                if (file >= 0)
                    ::close(file);
                continue;
            }
            // Hard links of one file are one file: only the first name met is offered, so that no
            // rule can check one name while another keeps the same data.
            if (S_ISREG(sx.stx_mode) && sx.stx_nlink > 1
                && !files.insert({makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino}).second) {
                if (file >= 0)
                    ::close(file);
                continue;
            }
            if (index < 0)
                index = folders++;
            const WalkEntry entry{index,
                folderText,
                nativeFolder,
                n.text,
                n.native,
                (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec,
                sx.stx_mtime.tv_sec,
                S_ISDIR(sx.stx_mode) ? 0 : sx.stx_size,
                S_ISREG(sx.stx_mode),
                file,
                S_ISREG(sx.stx_mode) ? openError : 0,
                identityOf(sx)};
            ++count;
            onEntry(entry);
            if (file >= 0)
                ::close(file);
        }
        ::closedir(dir);
    }
};

} // namespace

std::optional<FileIdentity> identityOf(const QByteArray &nativePath)
{
    const int fd = LongPath::open(nativePath, O_PATH);
    if (fd < 0)
        return std::nullopt;
    struct statx sx {
    };
    const bool read = ::statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS, &sx) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    if (!read)
        return std::nullopt;
    return identityOf(sx);
}

QString trimmedFolder(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    return f;
}

int walkEntries(const QString &folder,
    bool subfolders,
    bool openFiles,
    const std::atomic<bool> &stop,
    const std::function<void(const WalkEntry &)> &onEntry,
    const UnreadableFolder &onUnreadable)
{
    const QString root = trimmedFolder(folder);
    if (root.isEmpty())
        return 0;
    const QByteArray nativeRoot = NativePath::encode(root);
    const int fd = LongPath::open(nativeRoot, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        if (onUnreadable)
            onUnreadable(root, errno);
        return 0;
    }
    Walker walker{subfolders, openFiles, stop, onEntry, onUnreadable, {}, {}, 0, 0};
    walker.walkFolder(fd, root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'), nativeRoot);
    return walker.count;
}

int walk(const QString &folder,
    bool subfolders,
    const std::atomic<bool> &stop,
    const std::function<void(GatheredFile &&)> &onFile,
    const UnreadableFolder &onUnreadable)
{
    return walkEntries(
        folder,
        subfolders,
        false,
        stop,
        [&](const WalkEntry &e) {
            GatheredFile file;
            file.name = e.name;
            file.folder = e.folderText;
            file.created = e.created;
            file.modified = e.modified;
            file.size = e.size;
            file.regular = e.regular;
            file.identity = e.identity;
            onFile(std::move(file));
        },
        onUnreadable);
}

} // namespace Duovue::SearchWalk
