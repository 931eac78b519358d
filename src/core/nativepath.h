#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Duovue
{

/// The one conversion between the bytes of a file name on disk and the QString the program keeps.
///
/// Linux file names are bytes, and names copied from old archives are often not UTF-8 (Shift-JIS,
/// say). Qt's own conversion turns every such byte into U+FFFD, which names no file or, worse,
/// another one. Here each byte that is not part of valid UTF-8 becomes the lone surrogate
/// U+DC80 + (byte - 0x80) and turns back into that byte, so decode() and encode() are inverse for
/// every name the system can give. Valid UTF-8 never decodes to a lone surrogate, so the mapping is
/// unambiguous. A path must reach the system through encode() (POSIX calls), never through Qt's
/// file classes, which would convert it again their own way.
///
/// Thread: any (pure functions).
namespace NativePath
{

/// The text of the native name @p bytes; lossless.
QString decode(QByteArrayView bytes);
/// The native bytes of @p path; exact for every text decode() returns.
QByteArray encode(const QString &path);

/// @p path for a list cell or a message: each undecodable byte written as "\xNN".
QString display(const QString &path);
/// True when @p path holds a byte that is not UTF-8 (so it cannot be stored as text).
bool hasRawBytes(const QString &path);
/// The byte that the code unit at @p index of @p path stands for, or -1 when it is an ordinary
/// character (the second half of a surrogate pair included).
int rawByteAt(QStringView path, qsizetype index);

/// @p path made absolute against the working folder (read as bytes, so a working folder whose name
/// is not UTF-8 is kept), with "." and ".." resolved as text.
QString absolute(const QString &path);

} // namespace NativePath

} // namespace Duovue
