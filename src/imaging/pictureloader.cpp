#include "imaging/pictureloader.h"

#include "imaging/jpegquality.h"
#include "imaging/picturedecoder.h"
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

Error::Code errorCode(DecodeResult::Status status)
{
    switch (status) {
    case DecodeResult::Status::NotFound:
        return Error::Code::NotFound;
    case DecodeResult::Status::AccessDenied:
        return Error::Code::AccessDenied;
    case DecodeResult::Status::ReadFailed:
        return Error::Code::ReadFailed;
    case DecodeResult::Status::TooLarge:
        return Error::Code::Unsupported;
    case DecodeResult::Status::Cancelled:
        return Error::Code::Aborted;
    default:
        return Error::Code::InvalidData;
    }
}

} // namespace

Result<DecodedPicture> ReadPicture(const QString &path, const std::atomic<bool> *cancel)
{
    DecodeOptions options;
    options.cancel = cancel;
    PictureDecoder decoder(options);
    ImageSink sink;
    QByteArray head;
    const DecodeResult decoded = decoder.decodeFile(path, sink, &head);
    if (!decoded.ok())
        return readError(errorCode(decoded.status), path, decoded.reason);

    ImageInfo info;
    info.path = path;
    info.fileSize = static_cast<quint64>(decoded.fileSize);
    // Every field the probe reads lies within the first bytes of the file.
    const Resolution resolution = ProbeImageHeader(head, info);
    info.horizontalResolution = resolution.horizontal;
    info.verticalResolution = resolution.vertical;
    info.width = decoded.width;
    info.height = decoded.height;
    if (decoded.format == DecodeResult::Format::Jpeg)
        info.jpegQuality = JpegQuality::estimateFile(path, head);
    return DecodedPicture{std::move(info), sink.take()};
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
    content.loadFailed = true;
    if (read.error().code != Error::Code::NotFound)
        return LoadOutcome::Undecodable;
    content.missingFile = true;
    content.info.width = MissingFileBitmapWidth;
    content.info.height = MissingFileBitmapHeight;
    return LoadOutcome::MissingFile;
}

} // namespace Duovue
