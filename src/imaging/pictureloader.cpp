#include "imaging/pictureloader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "imaging/probeimageheader.h"
#include "lists/textformats.h"

using namespace Qt::StringLiterals;

namespace Duovue
{

namespace
{

Error readError(Error::Code code, const QString &path, const QString &reason)
{
    return Error{code, path + QStringLiteral(": ") + reason};
}

/// The picture decoder handles JPEG, BMP and GIF only, whatever other formats Qt's readers know:
/// a PNG or SVG file renamed to ".jpg" is refused like any other file the decoder cannot read.
bool isAcceptedFormat(const QByteArray &format)
{
    return format == "jpeg" || format == "jpg" || format == "bmp" || format == "gif";
}

Result<DecodedPicture> decode(QByteArray &bytes, ImageInfo info)
{
    const Resolution resolution = ProbeImageHeader(bytes, info);
    info.horizontalResolution = resolution.horizontal;
    info.verticalResolution = resolution.vertical;

    // The buffer wraps the bytes without copying them.
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(PictureLimits::MaxDecodedMegabytes);
    reader.setAutoTransform(false);
    if (!isAcceptedFormat(reader.format()))
        return readError(Error::Code::InvalidData, info.path, QStringLiteral("not a JPEG, BMP or GIF picture"));

    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return readError(Error::Code::InvalidData, info.path, reader.errorString());
    if (picture.format() != QImage::Format_RGB32)
        picture.convertTo(QImage::Format_RGB32);
    if (picture.isNull()) // the conversion could not allocate
        return readError(Error::Code::InvalidData, info.path, QStringLiteral("out of memory"));

    info.width = picture.width();
    info.height = picture.height();
    return DecodedPicture{std::move(info), std::move(picture)};
}

} // namespace

Result<DecodedPicture> ReadPicture(const QString &path)
{
    const QFileInfo fileInfo(path);
    if (!fileInfo.exists())
        return readError(Error::Code::NotFound, path, QStringLiteral("no such file"));
    // Folders, pipes and devices would block or mean nothing as pictures.
    if (!fileInfo.isFile())
        return readError(Error::Code::ReadFailed, path, QStringLiteral("not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return readError(
            file.error() == QFileDevice::PermissionsError ? Error::Code::AccessDenied : Error::Code::ReadFailed,
            path,
            file.errorString());
    const qint64 size = file.size();
    if (size > PictureLimits::MaxFileSize)
        return readError(Error::Code::Unsupported, path, QStringLiteral("file too large"));

    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(bytes.data() + got, size - got);
        if (n < 0)
            return readError(Error::Code::ReadFailed, path, file.errorString());
        if (n == 0) // the file shrank while we read it
            break;
        got += n;
    }
    bytes.truncate(got);

    ImageInfo info;
    info.path = path;
    info.fileSize = static_cast<quint64>(got);
    return decode(bytes, std::move(info));
}

QString InformationText(const ImageInfo &info)
{
    QString text = u"\u3000ファイルサイズ:\u3000"_s + FormatFileSize(info.fileSize)
        + u" バイト\r\n\u3000画像サイズ:\u3000\u3000  %1 x %2 ピクセル"_s.arg(info.width).arg(info.height);
    if (info.horizontalResolution != 0)
        text += u"\r\n\u3000解像度:\u3000\u3000\u3000\u3000\u3000 %1 x %2 dpi"_s.arg(info.horizontalResolution)
                    .arg(info.verticalResolution);
    return text;
}

LoadOutcome ApplyPictureLoad(PaneContent &content, qsizetype index, Result<DecodedPicture> read)
{
    content = PaneContent();
    if (read.ok()) {
        DecodedPicture &decoded = read.value();
        content.info = std::move(decoded.info);
        content.info.listIndex = static_cast<qint32>(index);
        content.picture = std::move(decoded.picture);
        content.informationText = InformationText(content.info);
        content.loadMarker = 0;
        content.loadSucceeded = true;
        return LoadOutcome::Loaded;
    }

    // Both failures keep the failing entry's number for the list's "position here" rule; only
    // loadSucceeded tells a failure at entry 0 from a success.
    content.loadMarker = static_cast<int>(index);
    if (read.error().code != Error::Code::NotFound)
        return LoadOutcome::Undecodable;
    content.missingFile = true;
    content.info.width = MissingFileBitmapWidth;
    content.info.height = MissingFileBitmapHeight;
    return LoadOutcome::MissingFile;
}

} // namespace Duovue
