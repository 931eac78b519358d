#include "core/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace Duovue
{

Result<void> writeFileAtomically(const QString &path, const QByteArray &data)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists() && !QDir().mkpath(info.absolutePath()))
        return Error{Error::Code::WriteFailed, QStringLiteral("Cannot create the folder %1").arg(info.absolutePath())};

    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile reports success after a short write on flush (for instance
    // when a file-size limit or a full disk stops it), and would then rename a truncated file over
    // the good one. Unbuffered writes return the short count, which we can see.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Error{Error::Code::WriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString())};
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 n = file.write(data.constData() + written, data.size() - written);
        if (n <= 0) {
            file.cancelWriting();
            return Error{Error::Code::WriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString())};
        }
        written += n;
    }
    if (!file.commit())
        return Error{Error::Code::WriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString())};
    return {};
}

} // namespace Duovue
