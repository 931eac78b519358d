#include "lists/folderscan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/nativepath.h"
#include "lists/textformats.h"

namespace Duovue
{

namespace
{

// Descriptors held for the folders the walk is inside, besides the scanned folder's own.
constexpr size_t OpenFolderLimit = 32;

} // namespace

struct FolderScan::Candidate {
    std::string name; // the name's bytes, as on disk
    std::string key; // upper-cased name: the case-insensitive order
    bool isFolder = false;
    qint64 created = 0;
    qint64 modified = 0;
    quint64 size = 0;
};

// One folder the walk is inside: its sorted names and how far the walk has come through them.
struct FolderScan::Frame {
    std::vector<Candidate> items;
    size_t next = 0;
    int fd = -1; // -1 while closed to spare descriptors; opened again through the parent's
    quint64 dev = 0;
    quint64 ino = 0;
    std::string name; // the folder's name in its parent; empty for the scanned folder
    qsizetype textLength = 0; // its folder column is the first textLength characters of m_text
    QString text; // that column, made when its first entry is added
};

namespace
{

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The byte-level twin of hasImageExtension(): no character outside ASCII folds to one of the
// extension letters, so comparing ASCII case-insensitively gives the same answer without decoding
// names that are then dropped anyway.
bool isImageName(const char *name, size_t len)
{
    const char *dot = static_cast<const char *>(memrchr(name, '.', len));
    const char *ext = dot ? dot + 1 : name;
    const size_t n = static_cast<size_t>(name + len - ext);
    if (n != 3 && n != 4)
        return false;
    char lower[4];
    for (size_t i = 0; i < n; ++i)
        lower[i] = asciiLower(ext[i]);
    if (n == 4)
        return std::memcmp(lower, "jpeg", 4) == 0;
    return std::memcmp(lower, "jpg", 3) == 0 || std::memcmp(lower, "bmp", 3) == 0 || std::memcmp(lower, "gif", 3) == 0;
}

std::string sortKey(const std::string &name)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
    if (!ascii) {
        const QByteArray upper =
            NativePath::encode(NativePath::decode(QByteArrayView(name.data(), qsizetype(name.size()))).toUpper());
        return std::string(upper.constData(), static_cast<size_t>(upper.size()));
    }
    std::string key = name;
    for (char &c : key) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

constexpr unsigned statxMask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME;

} // namespace

FolderScan::FolderScan(FileList &list, const std::atomic<bool> &abortRequested)
    : m_list(list)
    , m_abort(abortRequested)
{
}

void FolderScan::setProgressCallback(std::function<void()> callback, std::chrono::milliseconds interval)
{
    m_progress = std::move(callback);
    m_interval = interval;
}

QString FolderScan::folderText(const QString &folder)
{
    qsizetype end = folder.size();
    while (end > 0 && folder.at(end - 1) == QLatin1Char('/'))
        --end;
    return folder.left(end) + QLatin1Char('/');
}

bool FolderScan::scan(const QString &folder)
{
    m_visited.clear();
    m_lastProgress = std::chrono::steady_clock::now();
    m_text = folderText(folder);
    QByteArray path = NativePath::encode(m_text);
    path.chop(1); // without the trailing "/"; empty for the root
    const int fd = ::open(path.isEmpty() ? "/" : path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0 && walk(fd);
}

bool FolderScan::pollStop()
{
    if (m_abort.load(std::memory_order_relaxed))
        return true;
    // Reading the clock for every name would cost more than the check saves.
    if (m_progress && (++m_tick & 15) == 0) {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastProgress >= m_interval) {
            m_progress();
            m_lastProgress = std::chrono::steady_clock::now();
            return m_abort.load(std::memory_order_relaxed);
        }
    }
    return false;
}

namespace
{

// Creation time is the birth time where the file system records it, otherwise the last status
// change.
void fillTimes(qint64 &created, qint64 &modified, quint64 &size, const struct statx &sx)
{
    created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    modified = sx.stx_mtime.tv_sec;
    size = sx.stx_size;
}

FileList::Entry makeEntry(QString name, const QString &folder, qint64 created, qint64 modified, quint64 size)
{
    static const QString unmarked = QStringLiteral("0");
    FileList::Entry e;
    e.columns[0] = std::move(name);
    e.columns[1] = folder; // shared, not copied
    e.columns[2] = FormatFileTime(created);
    e.columns[3] = FormatFileTime(modified);
    e.columns[4] = FormatFileSize(size);
    e.primary = unmarked;
    return e;
}

} // namespace

FolderScan::Entered FolderScan::enter(std::vector<Frame> &stack, int fd, std::string name)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return Entered::Unreadable;
    }
    if (!m_visited.emplace(quint64(st.st_dev), quint64(st.st_ino)).second) {
        ::close(fd); // reached again through a link: its entries are in the list already
        return Entered::Skipped;
    }
    // The stream's descriptor goes with the stream; subfolders are opened through a second one.
    const int keep = m_includeSubfolders ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        if (keep >= 0)
            ::close(keep);
        return Entered::Unreadable;
    }

    Frame frame;
    frame.fd = keep;
    frame.dev = quint64(st.st_dev);
    frame.ino = quint64(st.st_ino);
    frame.name = std::move(name);
    frame.textLength = m_text.size();
    bool partial = false;
    for (;;) {
        errno = 0;
        const dirent *de = ::readdir(dir);
        if (!de) {
            partial = partial || errno != 0;
            break;
        }
        // Names read so far are in no order yet, so none of them may be listed after an abort.
        if (pollStop()) {
            ::closedir(dir);
            if (keep >= 0)
                ::close(keep);
            return Entered::Stopped;
        }
        const char *entryName = de->d_name;
        if (entryName[0] == '.' && (entryName[1] == '\0' || (entryName[1] == '.' && entryName[2] == '\0')))
            continue;
        const size_t len = std::strlen(entryName);
        const bool image = isImageName(entryName, len);
        const unsigned char type = de->d_type;
        if (type == DT_DIR) {
            if (!m_includeSubfolders)
                continue;
        } else if (type == DT_REG) {
            if (!image)
                continue;
        } else if (type == DT_LNK || type == DT_UNKNOWN) {
            if (!image && !m_includeSubfolders)
                continue;
        } else {
            continue; // pipes, sockets and devices: reading them later could block or never end
        }
        Candidate c;
        if (type == DT_DIR) {
            c.isFolder = true;
        } else {
            struct statx sx;
            if (::statx(::dirfd(dir), entryName, AT_STATX_SYNC_AS_STAT, statxMask, &sx) != 0) {
                // A name removed since it was read is simply gone; anything else hides a file.
                partial = partial || errno != ENOENT;
                continue;
            }
            if (S_ISDIR(sx.stx_mode)) {
                if (!m_includeSubfolders)
                    continue;
                c.isFolder = true;
            } else if (S_ISREG(sx.stx_mode) && image) {
                fillTimes(c.created, c.modified, c.size, sx);
            } else {
                continue;
            }
        }
        c.name.assign(entryName, len);
        c.key = sortKey(c.name);
        frame.items.push_back(std::move(c));
    }
    ::closedir(dir);
    if (partial)
        noteUnreadable(m_text);

    std::sort(frame.items.begin(), frame.items.end(), [](const Candidate &a, const Candidate &b) {
        const int k = a.key.compare(b.key);
        return k != 0 ? k < 0 : a.name < b.name;
    });
    stack.push_back(std::move(frame));
    // Only the innermost folders keep their descriptors (the scanned folder always does); an outer
    // one is opened again from its parent's when the walk returns to it.
    if (stack.size() > OpenFolderLimit) {
        Frame &old = stack[stack.size() - 1 - OpenFolderLimit];
        if (&old != &stack.front() && old.fd >= 0) {
            ::close(old.fd);
            old.fd = -1;
        }
    }
    return Entered::Yes;
}

int FolderScan::frameFd(std::vector<Frame> &stack, size_t index)
{
    if (stack[index].fd >= 0)
        return stack[index].fd;
    size_t open = index;
    while (open > 0 && stack[open].fd < 0)
        --open;
    if (stack[open].fd < 0)
        return -1;
    for (size_t k = open + 1; k <= index; ++k) {
        const int fd = ::openat(stack[k - 1].fd, stack[k].name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st;
        // Renamed or replaced since the walk was inside it: it is no longer the folder being read.
        if (fd < 0 || ::fstat(fd, &st) != 0 || quint64(st.st_dev) != stack[k].dev
            || quint64(st.st_ino) != stack[k].ino) {
            if (fd >= 0)
                ::close(fd);
            return -1;
        }
        stack[k].fd = fd;
        if (k - 1 > 0 && k - 1 + OpenFolderLimit <= index) {
            ::close(stack[k - 1].fd);
            stack[k - 1].fd = -1;
        }
    }
    return stack[index].fd;
}

void FolderScan::noteUnreadable(const QString &folderText)
{
    m_unreadable << (folderText.size() > 1 ? folderText.chopped(1) : folderText);
}

bool FolderScan::walk(int fd)
{
    std::vector<Frame> stack;
    const Entered top = enter(stack, fd, std::string());
    if (top == Entered::Unreadable)
        return false;

    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.next == frame.items.size()) {
            if (frame.fd >= 0)
                ::close(frame.fd);
            stack.pop_back();
            if (!stack.empty())
                m_text.truncate(stack.back().textLength);
            continue;
        }
        if (pollStop())
            break;
        Candidate &c = frame.items[frame.next++];
        QString name = NativePath::decode(QByteArrayView(c.name.data(), qsizetype(c.name.size())));
        if (!c.isFolder) {
            if (frame.text.isNull())
                frame.text = m_text; // shared by the folder's entries, not copied
            m_list.append(makeEntry(std::move(name), frame.text, c.created, c.modified, c.size));
            continue;
        }
        const qsizetype parentLength = m_text.size();
        m_text += name + QLatin1Char('/');
        const int parentFd = frameFd(stack, stack.size() - 1);
        const int childFd = parentFd >= 0 ? ::openat(parentFd, c.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        Entered entered = Entered::Unreadable;
        if (childFd >= 0)
            entered = enter(stack, childFd, std::move(c.name)); // frame is stale from here on
        else if (parentFd >= 0 && errno == ENOENT)
            entered = Entered::Skipped; // removed since it was read: nothing to list, nothing lost
        if (entered == Entered::Stopped)
            break;
        if (entered != Entered::Yes) {
            if (entered == Entered::Unreadable)
                noteUnreadable(m_text);
            m_text.truncate(parentLength);
        }
    }
    for (const Frame &frame : stack) {
        if (frame.fd >= 0)
            ::close(frame.fd);
    }
    return true;
}

bool FolderScan::appendFile(const QString &path)
{
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : NativePath::absolute(path);
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    QString name = absolute.mid(slash + 1);
    if (name.isEmpty() || !hasImageExtension(name))
        return false;
    const Result<FileFacts> facts = statFile(absolute);
    if (!facts)
        return false;
    const FileFacts &f = facts.value();
    m_list.append(makeEntry(std::move(name), folderText(absolute.left(slash)), f.created, f.modified, f.size));
    return true;
}

Result<FolderScan::FileFacts> FolderScan::statFile(const QString &path)
{
    struct statx sx;
    const QByteArray encoded = NativePath::encode(path);
    if (::statx(AT_FDCWD, encoded.constData(), AT_STATX_SYNC_AS_STAT, statxMask, &sx) != 0) {
        const int e = errno;
        const Error::Code code = e == ENOENT || e == ENOTDIR ? Error::Code::NotFound
            : e == EACCES || e == EPERM                      ? Error::Code::AccessDenied
                                                             : Error::Code::ReadFailed;
        return Error{code, path + QStringLiteral(": ") + qt_error_string(e)};
    }
    if (!S_ISREG(sx.stx_mode))
        return Error{Error::Code::NotFound, path + QStringLiteral(": not a regular file")};
    FileFacts facts;
    fillTimes(facts.created, facts.modified, facts.size, sx);
    return facts;
}

} // namespace Duovue
