#include "search/searchwalk.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QFile>

#include "lists/textformats.h"

namespace Duovue::SearchWalk
{

namespace
{

struct Walker {
    bool subfolders;
    const std::atomic<bool> &stop;
    const std::function<void(GatheredFile &&)> &onFile;
    std::set<std::pair<dev_t, ino_t>> visited;
    int count = 0;

    void walkFolder(const QString &folderWithSlash, const QByteArray &nativeFolder)
    {
        const int dirFd = ::open(nativeFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0)
            return;
        struct stat self {
        };
        if (::fstat(dirFd, &self) != 0 || !visited.insert({self.st_dev, self.st_ino}).second) {
            ::close(dirFd);
            return;
        }
        DIR *dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            return;
        }
        struct Name {
            QString text;
            QByteArray native;
        };
        std::vector<Name> names;
        while (const dirent *e = ::readdir(dir)) {
            const QByteArray native(e->d_name);
            if (native == "." || native == "..")
                continue;
            const QString text = QFile::decodeName(native);
            if (QFile::encodeName(text) != native)
                continue; // not valid in the file-name encoding
            names.push_back({text, native});
        }
        std::sort(names.begin(), names.end(), [](const Name &a, const Name &b) {
            const int c = a.text.compare(b.text, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.native < b.native;
        });

        for (const Name &n : names) {
            if (stop.load(std::memory_order_relaxed))
                break;
            struct statx sx {
            };
            if (::statx(::dirfd(dir), n.native.constData(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx)
                != 0)
                continue; // a dangling link, or gone meanwhile
            const bool isDir = S_ISDIR(sx.stx_mode);
            if (isDir && subfolders) {
                QByteArray childNative = nativeFolder;
                if (!childNative.endsWith('/'))
                    childNative += '/';
                childNative += n.native;
                walkFolder(folderWithSlash + n.text + QLatin1Char('/'), childNative);
                if (stop.load(std::memory_order_relaxed))
                    break;
            }
            if (!hasImageExtension(n.text))
                continue;
            GatheredFile file;
            file.name = n.text;
            file.folder = folderWithSlash;
            file.modified = sx.stx_mtime.tv_sec;
            file.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
            file.size = isDir ? 0 : sx.stx_size;
            file.regular = S_ISREG(sx.stx_mode);
            ++count;
            onFile(std::move(file));
        }
        ::closedir(dir);
    }
};

} // namespace

QString trimmedFolder(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    return f;
}

int walk(const QString &folder,
    bool subfolders,
    const std::atomic<bool> &stop,
    const std::function<void(GatheredFile &&)> &onFile)
{
    const QString root = trimmedFolder(folder);
    if (root.isEmpty())
        return 0;
    Walker walker{subfolders, stop, onFile, {}, 0};
    const QString withSlash = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    walker.walkFolder(withSlash, QFile::encodeName(root));
    return walker.count;
}

} // namespace Duovue::SearchWalk
