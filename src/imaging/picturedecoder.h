#pragma once

#include <atomic>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>

#include "imaging/memorybudget.h"

namespace Duovue
{

/// The limits that make a picture one Duovue can decode. The same numbers hold for the search, the
/// picture panes, the viewer and the compositing, so that a picture one of them refuses is refused
/// by all of them.
struct DecodeLimits {
    /// Largest file of a format that is held whole while it is decoded (GIF, and BMP layouts other
    /// than plain rows). JPEG and plain BMP files are read as a stream, whatever their size.
    qint64 maxFileBytes = qint64(256) << 20;
    /// Largest decoded picture: width x height x 4 bytes (128 megapixels).
    qint64 maxPictureBytes = qint64(512) << 20;
    /// Largest memory one full decode into a picture holds at once: the picture, the decoder's own
    /// buffers (libjpeg's whole-picture coefficient buffer for progressive and multi-scan JPEGs,
    /// about width x height x 6 bytes at 4:4:4) and a file held whole.
    qint64 maxDecodeBytes = qint64(768) << 20;
    /// Most scans a JPEG may have. Real pictures have at most a few dozen; a hostile file repeating
    /// one tiny scan thousands of times would otherwise keep the decoder busy for minutes.
    int maxScans = 500;
};

/// Receives a decoded picture. The decoder calls begin() once with the picture's size (or adopt()
/// with the whole picture), then hands over every row once, in any order.
///
/// Thread: the decoding thread; one sink per decode.
class PictureSink
{
public:
    enum class PixelFormat {
        Rgb24, // R, G, B
        Bgrx32, // B, G, R, 0xFF (QImage::Format_RGB32 in memory on little-endian machines)
        Gray8 // one byte, R = G = B
    };

    virtual ~PictureSink() = default;

    /// Memory the sink takes for a picture of this size, counted in the decode's reservation.
    virtual qint64 bytesFor(int width, int height) const = 0;
    /// The picture is @p width x @p height (both at least 1); false refuses it (out of memory).
    virtual bool begin(int width, int height) = 0;
    /// Where the decoder may write row @p y itself as Bgrx32, or nullptr to have the row handed
    /// over through addRow(). Asked after begin().
    virtual unsigned char *rowTarget(int /*y*/) { return nullptr; }
    /// Row @p y (0 = top) of the picture's width in @p format.
    virtual void addRow(int y, const unsigned char *pixels, PixelFormat format) = 0;
    /// Offers a whole decoded picture (Format_RGB32) instead of begin() and rows; true when the
    /// sink took it.
    virtual bool adopt(QImage & /*picture*/) { return false; }
};

/// A sink that keeps the whole picture as a Format_RGB32 QImage, as the picture panes show it.
class ImageSink final : public PictureSink
{
public:
    qint64 bytesFor(int width, int height) const override;
    bool begin(int width, int height) override;
    unsigned char *rowTarget(int y) override;
    void addRow(int y, const unsigned char *pixels, PixelFormat format) override;
    bool adopt(QImage &picture) override;

    /// The picture; the caller owns what it takes.
    QImage take() { return std::move(m_image); }

private:
    QImage m_image;
};

/// What became of one decode.
struct DecodeResult {
    enum class Status {
        Ok,
        NotFound, // no file at the path
        AccessDenied,
        ReadFailed, // not a regular file (a folder, a pipe, a device), or a read error
        NotPicture, // not JPEG, BMP or GIF data, whatever the file's name says
        TooLarge, // over the limits: file, picture or memory
        Truncated, // the data ends before the picture does
        Corrupt, // the decoder refuses the data
        TooManyScans, // a JPEG with more scans than DecodeLimits::maxScans
        Cancelled
    };
    enum class Format { Unknown, Jpeg, Bmp, Gif };

    Status status = Status::Corrupt;
    Format format = Format::Unknown;
    /// The picture's size (also known for most refusals after the header was read).
    int width = 0;
    int height = 0;
    /// The file's length; for data in memory its length.
    qint64 fileSize = 0;
    /// Why the picture was refused, in plain words, for messages and logs.
    QString reason;

    bool ok() const { return status == Status::Ok; }
};

/// Options of a PictureDecoder.
struct DecodeOptions {
    DecodeLimits limits;
    /// Set from any thread to stop the decode soon (within one JPEG row group, one BMP row block or
    /// one read chunk); the decode then ends with Cancelled. Must outlive the decoder's calls.
    const std::atomic<bool> *cancel = nullptr;
    /// Shared by decodes that must stay within one total (the search's workers); null: the
    /// per-decode limits only.
    MemoryBudget *budget = nullptr;
};

/// The one rule for "a picture Duovue can decode", used by the search's bitmap key, the picture
/// panes (ReadPicture), the viewer and the compositing:
///
/// - JPEG (data starting FF D8), BMP ("BM") and GIF ("GIF87a", "GIF89a") known by their content,
///   whatever the file is named; PNG, TIFF, WebP and anything else are refused (NotPicture).
/// - Declared sizes are checked against DecodeLimits before anything of the picture's size is
///   allocated, counting libjpeg's whole-picture coefficient buffer, and the reservation is taken
///   from the MemoryBudget when there is one. libjpeg's own limit (max_memory_to_use) is set to
///   its share of that figure as a second guard.
/// - Files held whole (GIF, rare BMP layouts) are refused unread beyond maxFileBytes; JPEG and
///   plain BMP files are streamed.
/// - JPEGs with more than maxScans scans are refused; every decode stops on the cancel flag.
/// - A picture whose data ends early is refused as Truncated: a JPEG whose entropy data runs out
///   (libjpeg's "premature end of data segment"), whose file ends (JWRN_JPEG_EOF) before every
///   component received all its scans, or in which a component never appears in a scan; a BMP
///   shorter than its rows (or whose run-length data stops before its end); a GIF whose first
///   picture's data blocks stop before their terminator. A JPEG whose data is complete but whose
///   end marker is missing is not truncated. The panes refuse truncated pictures too instead of
///   showing what decoded: half a picture with a grey or black remainder would otherwise be taken
///   for the picture by the pair tools and the compositing, and the search never groups it.
///
/// Rows come out as the format gives them: JPEG through libjpeg (accurate integer DCT, fancy
/// upsampling) straight into the sink's rows as Bgrx32 where the sink offers them; Adobe CMYK
/// composited onto white; transparent GIF and BMP pixels onto black. GIF and the BMP layouts
/// other than uncompressed 1, 4, 8, 24 and 32 bits with a 40-byte header go through Qt's readers,
/// which give the first frame of an animation.
///
/// Thread: one object per thread; it keeps its buffers between pictures. Sinks and results belong
/// to the caller.
class PictureDecoder final
{
public:
    /// Bytes read first from every file: enough for the header probe of every format.
    static constexpr std::size_t HeadBytes = 128 * 1024;

    explicit PictureDecoder(DecodeOptions options = {});
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder &) = delete;
    PictureDecoder &operator=(const PictureDecoder &) = delete;

    /// Decodes the file at @p path into @p sink. The file is opened without blocking and checked
    /// to be a regular file before anything is read, so a pipe or device named like a picture,
    /// even one that replaced the file a moment ago, cannot stop the thread. When @p head is given
    /// it receives the file's first bytes (up to HeadBytes), for the header probe.
    DecodeResult decodeFile(const QString &path, PictureSink &sink, QByteArray *head = nullptr);
    /// The same for data in memory.
    DecodeResult decodeData(QByteArrayView data, PictureSink &sink);

private:
    DecodeOptions m_options;
    std::vector<unsigned char> m_buffer; // the file's current window, HeadBytes long
    std::vector<unsigned char> m_rows; // decoded rows for sinks that do not offer their own
};

} // namespace Duovue
