#include "support/testdir.h"

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/nativepath.h"

namespace Duovue::Test
{

namespace
{

int removeEntry(const char *path, const struct stat *, int type, struct FTW *)
{
    return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
}

} // namespace

TestDir::TestDir() = default;

TestDir::~TestDir()
{
    if (m_dir.isValid())
        ::nftw(NativePath::encode(m_dir.path()).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

QString TestDir::writeNativeFile(const QByteArray &relative, const QByteArray &content)
{
    const QByteArray path = NativePath::encode(m_dir.path()) + '/' + relative;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, content.constData(), size_t(content.size())) != ssize_t(content.size()))
        qFatal("TestDir: cannot write %s", path.constData());
    ::close(fd);
    return NativePath::decode(path);
}

QString TestDir::filePath(const QString &relative) const
{
    return m_dir.filePath(relative);
}

QString TestDir::writeFile(const QString &relative, const QByteArray &content)
{
    const QString p = filePath(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("TestDir: cannot write %s", qPrintable(p));
    f.write(content);
    return p;
}

QString TestDir::makeDir(const QString &relative)
{
    const QString p = filePath(relative);
    QDir().mkpath(p);
    return p;
}

QString TestDir::makeSymlink(const QString &target, const QString &relative)
{
    const QString p = filePath(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    if (!QFile::link(target, p))
        qFatal("TestDir: cannot link %s", qPrintable(p));
    return p;
}

void TestDir::setModified(const QString &relative, const QDateTime &time)
{
    QFile f(filePath(relative));
    if (!f.open(QIODevice::ReadWrite) || !f.setFileTime(time, QFileDevice::FileModificationTime))
        qFatal("TestDir: cannot set time of %s", qPrintable(relative));
}

} // namespace Duovue::Test
