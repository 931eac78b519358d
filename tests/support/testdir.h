#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

namespace Duovue::Test
{

/// A temporary folder tree for one test, removed when the object dies. Paths are relative to it.
class TestDir
{
public:
    TestDir();
    /// Removes the tree by its bytes, names that are not UTF-8 included.
    ~TestDir();
    TestDir(const TestDir &) = delete;
    TestDir &operator=(const TestDir &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    /// The root folder, without a trailing "/".
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const;

    /// Creates the file (and its folders) with @p content; returns its absolute path.
    QString writeFile(const QString &relative, const QByteArray &content = QByteArray());
    /// The same for a name given as its bytes (which need not be UTF-8); returns the path as
    /// NativePath text.
    QString writeNativeFile(const QByteArray &relative, const QByteArray &content = QByteArray());
    QString makeDir(const QString &relative);
    /// A symbolic link at @p relative pointing to @p target (absolute, or relative to the link).
    QString makeSymlink(const QString &target, const QString &relative);
    void setModified(const QString &relative, const QDateTime &time);

private:
    QTemporaryDir m_dir;
};

} // namespace Duovue::Test
