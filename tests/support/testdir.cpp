#include "support/testdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Duovue::Test
{

TestDir::TestDir() = default;

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
