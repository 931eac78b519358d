#include "imaging/picturedecoder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageReader>

#include "core/nativepath.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "core/longpath.h"

namespace Duovue
{

using Status = DecodeResult::Status;
using Format = DecodeResult::Format;

namespace
{

/// Largest width or height of any format (JPEG stops at 65500, GIF at 65535).
constexpr qint64 MaxSide = 65535;
/// Rows asked of libjpeg per call.
constexpr int JpegRowsPerCall = 16;
/// Rows of a BMP or of a picture from Qt's readers between two looks at the cancel flag.
constexpr int RowsBetweenCancelChecks = 64;
/// Pieces in which a file held whole is read, between two looks at the cancel flag.
constexpr qint64 WholeReadChunk = qint64(4) << 20;
/// A decode that held this much gives the freed memory back to the system at once, rather than
/// letting each thread's heap keep the largest picture it ever saw.
constexpr qint64 TrimAfterBytes = qint64(64) << 20;

std::uint32_t le16(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t le32(const unsigned char *p)
{
    return le16(p) | le16(p + 2) << 16;
}

/// The data being decoded: a file read through a window of the decoder's buffer, or a block in
/// memory that is one window.
class Source
{
public:
    Source(const unsigned char *data, std::size_t length)
        : m_begin(data)
        , m_end(data + length)
        , m_pos(data)
        , m_size(static_cast<qint64>(length))
    {
    }
    /// Takes @p fd over.
    Source(int fd, qint64 size, std::vector<unsigned char> &buffer)
        : m_fd(fd)
        , m_buffer(&buffer)
        , m_begin(buffer.data())
        , m_end(buffer.data())
        , m_pos(buffer.data())
        , m_size(size)
    {
    }
    ~Source()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    bool isMemory() const { return m_fd < 0; }
    /// The file's length when it was opened, or the block's.
    qint64 size() const { return m_size; }
    const unsigned char *pos() const { return m_pos; }
    std::size_t available() const { return static_cast<std::size_t>(m_end - m_pos); }
    void advance(std::size_t n) { m_pos += n; }
    /// Offset of pos() in the data.
    qint64 offset() const { return m_windowOffset + (m_pos - m_begin); }
    bool failed() const { return m_failed; }

    /// Replaces the window with the next bytes of the file; false at the end of the data or on a
    /// read error.
    bool refill()
    {
        if (isMemory() || m_failed)
            return false;
        m_windowOffset += m_end - m_begin;
        unsigned char *data = m_buffer->data();
        std::size_t got = 0;
        while (got < m_buffer->size()) {
            const ssize_t n = ::read(m_fd, data + got, m_buffer->size() - got);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                m_failed = true;
                break;
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        m_begin = m_pos = data;
        m_end = data + got;
        return got > 0;
    }

    /// Copies the next @p n bytes; false when the data ends first.
    bool read(unsigned char *out, std::size_t n)
    {
        while (n > 0) {
            if (available() == 0 && !refill())
                return false;
            const std::size_t part = std::min(n, available());
            std::memcpy(out, m_pos, part);
            m_pos += part;
            out += part;
            n -= part;
        }
        return true;
    }

    /// Moves forward to offset @p target: within the window, or by seeking in the file, so that
    /// what is skipped is never read.
    bool skipTo(qint64 target)
    {
        const qint64 here = offset();
        if (target < here)
            return false;
        if (target - here <= static_cast<qint64>(available())) {
            m_pos += target - here;
            return true;
        }
        if (isMemory()) {
            m_pos = m_end;
            return false;
        }
        if (::lseek(m_fd, target, SEEK_SET) < 0) {
            m_failed = true;
            return false;
        }
        m_windowOffset = target;
        m_begin = m_end = m_pos = m_buffer->data();
        return true;
    }

private:
    int m_fd = -1;
    std::vector<unsigned char> *m_buffer = nullptr;
    const unsigned char *m_begin;
    const unsigned char *m_end;
    const unsigned char *m_pos;
    qint64 m_windowOffset = 0;
    qint64 m_size;
    bool m_failed = false;
};

/// What one decode holds of a MemoryBudget; given back when it ends.
class Reservation
{
public:
    explicit Reservation(MemoryBudget *budget)
        : m_budget(budget)
    {
    }
    ~Reservation()
    {
        if (m_budget && m_held > 0)
            m_budget->release(m_held);
    }
    Reservation(const Reservation &) = delete;
    Reservation &operator=(const Reservation &) = delete;

    /// Holds exactly @p bytes from now on. What was held is given back first, so that two decodes
    /// that grow their reservation can never wait for each other.
    MemoryBudget::Grant hold(qint64 bytes, const std::atomic<bool> *cancel)
    {
        m_largest = std::max(m_largest, bytes);
        if (!m_budget)
            return MemoryBudget::Grant::Granted;
        if (m_held > 0) {
            m_budget->release(m_held);
            m_held = 0;
        }
        const MemoryBudget::Grant grant = m_budget->reserve(bytes, cancel);
        if (grant == MemoryBudget::Grant::Granted)
            m_held = bytes;
        return grant;
    }

    qint64 largest() const { return m_largest; }

private:
    MemoryBudget *m_budget;
    qint64 m_held = 0;
    qint64 m_largest = 0;
};

/// One decode: what the format decoders below work with.
struct Job {
    const DecodeOptions &options;
    Source &source;
    PictureSink &sink;
    Reservation &reservation;
    std::vector<unsigned char> &rows;
    DecodeResult &result;

    bool cancelled() const { return options.cancel && options.cancel->load(std::memory_order_relaxed); }

    /// Ends the decode with @p status; false, so that callers can return it.
    bool fail(Status status, const QString &reason)
    {
        result.status = status;
        result.reason = reason;
        return false;
    }

    bool failCancelled() { return fail(Status::Cancelled, QStringLiteral("cancelled")); }

    /// Whether a @p width x @p height picture whose full decode holds @p fullDecodeBytes is one
    /// Duovue decodes; the same answer whatever the sink, so that the search and the panes agree.
    bool allowed(qint64 width, qint64 height, qint64 fullDecodeBytes)
    {
        if (width < 1 || height < 1)
            return fail(Status::Corrupt, QStringLiteral("the picture has no pixels"));
        result.width = static_cast<int>(std::min(width, MaxSide + 1));
        result.height = static_cast<int>(std::min(height, MaxSide + 1));
        if (width > MaxSide || height > MaxSide || width * height * 4 > options.limits.maxPictureBytes
            || fullDecodeBytes > options.limits.maxDecodeBytes)
            return fail(Status::TooLarge,
                QStringLiteral("a picture of %1 x %2 pixels is too large to decode").arg(width).arg(height));
        return true;
    }

    /// Reserves what this decode holds from the shared budget, waiting for it when others hold it.
    bool reserve(qint64 bytes)
    {
        switch (reservation.hold(bytes, options.cancel)) {
        case MemoryBudget::Grant::Granted:
            return true;
        case MemoryBudget::Grant::TooLarge:
            return fail(Status::TooLarge, QStringLiteral("the picture needs more memory than all decodes may share"));
        case MemoryBudget::Grant::Cancelled:
            break;
        }
        return failCancelled();
    }

    bool begin(int width, int height)
    {
        if (!sink.begin(width, height))
            return fail(Status::TooLarge, QStringLiteral("out of memory"));
        return true;
    }
};

Format sniff(const unsigned char *p, std::size_t n)
{
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xD8)
        return Format::Jpeg;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M')
        return Format::Bmp;
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0))
        return Format::Gif;
    return Format::Unknown;
}

// ---- JPEG ------------------------------------------------------------------------------------

/// Everything libjpeg works with during one decode. It lives on the heap: libjpeg's errors, the
/// cancel flag and the scan limit jump back to the setjmp in decodeJpeg, and what they find there
/// must not have been kept in registers of that frame.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errorManager;
    jpeg_source_mgr sourceManager;
    jpeg_progress_mgr progressManager;
    std::jmp_buf jump;
    Source *source;
    const std::atomic<bool> *cancel;
    int maxScans;
    Status failure;
    char message[JMSG_LENGTH_MAX];
    int lastScan;
    unsigned componentsSeen; // bit c: component c appeared in a scan
    bool sawEof; // the data ended before the end-of-image marker
    bool sawHitMarker; // a scan's data ended before its last block
};

JpegJob &jobOf(j_common_ptr cinfo)
{
    return *static_cast<JpegJob *>(cinfo->client_data);
}

[[noreturn]] void jpegStop(j_common_ptr cinfo, Status status, const char *message)
{
    JpegJob &job = jobOf(cinfo);
    job.failure = status;
    if (message)
        std::snprintf(job.message, sizeof job.message, "%s", message);
    std::longjmp(job.jump, 1);
}

void jpegErrorExit(j_common_ptr cinfo)
{
    JpegJob &job = jobOf(cinfo);
    cinfo->err->format_message(cinfo, job.message);
    const int code = cinfo->err->msg_code;
    // Out of memory includes the coefficient buffer going over max_memory_to_use, which libjpeg
    // reports as a missing backing store.
    jpegStop(cinfo,
        code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY ? Status::TooLarge : Status::Corrupt,
        nullptr);
}

void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    // Other warnings are corrupt data that the decoder works around, as picture viewers do; these
    // two say that the data stopped short.
    JpegJob &job = jobOf(cinfo);
    if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        job.sawEof = true;
    else if (cinfo->err->msg_code == JWRN_HIT_MARKER)
        job.sawHitMarker = true;
}

void noteScan(j_decompress_ptr cinfo, JpegJob &job)
{
    if (cinfo->input_scan_number == job.lastScan)
        return;
    job.lastScan = cinfo->input_scan_number;
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        job.componentsSeen |= 1u << cinfo->cur_comp_info[i]->component_index;
}

// libjpeg calls this before each row of blocks it reads while it gathers the scans of a
// multi-scan picture, and before each group of rows it puts out.
void jpegProgress(j_common_ptr common)
{
    JpegJob &job = jobOf(common);
    if (job.cancel && job.cancel->load(std::memory_order_relaxed))
        jpegStop(common, Status::Cancelled, "cancelled");
    auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > job.maxScans)
        jpegStop(common, Status::TooManyScans, "the JPEG has too many scans");
    noteScan(cinfo, job);
}

void jpegInitSource(j_decompress_ptr) { }

void jpegTermSource(j_decompress_ptr) { }

// libjpeg has used the whole window when it asks for more.
boolean jpegFillInput(j_decompress_ptr cinfo)
{
    auto *common = reinterpret_cast<j_common_ptr>(cinfo);
    JpegJob &job = jobOf(common);
    if (job.cancel && job.cancel->load(std::memory_order_relaxed))
        jpegStop(common, Status::Cancelled, "cancelled");
    Source &source = *job.source;
    if (source.refill()) {
        cinfo->src->next_input_byte = source.pos();
        cinfo->src->bytes_in_buffer = source.available();
        source.advance(source.available());
        return TRUE;
    }
    if (source.failed())
        jpegStop(common, Status::ReadFailed, "the file could not be read");
    // The data ended before the end-of-image marker: note it and hand libjpeg one, as its own
    // sources do, so that it finishes with what it has.
    static const JOCTET endOfImage[2] = {0xFF, JPEG_EOI};
    cinfo->err->msg_code = JWRN_JPEG_EOF;
    cinfo->err->emit_message(common, -1);
    cinfo->src->next_input_byte = endOfImage;
    cinfo->src->bytes_in_buffer = sizeof endOfImage;
    return TRUE;
}

void jpegSkipInput(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr *src = cinfo->src;
    if (static_cast<std::size_t>(count) <= src->bytes_in_buffer) {
        src->next_input_byte += count;
        src->bytes_in_buffer -= static_cast<std::size_t>(count);
        return;
    }
    Source &source = *jobOf(reinterpret_cast<j_common_ptr>(cinfo)).source;
    const qint64 beyond = count - static_cast<qint64>(src->bytes_in_buffer);
    src->bytes_in_buffer = 0;
    // A skip past the end shows as the end of the data at the next fill.
    source.skipTo(source.offset() + beyond);
}

/// Whether a multi-scan picture lacks data, judged once all its scans have been read.
bool scansIncomplete(j_decompress_ptr cinfo, const JpegJob &job)
{
    if (job.sawHitMarker)
        return true;
    const unsigned all = (1u << cinfo->num_components) - 1;
    if ((job.componentsSeen & all) != all)
        return true;
    // A file that ends without its end marker is whole only when every coefficient of every
    // component was refined to full precision; cut between two scans, some were not.
    if (job.sawEof && cinfo->progressive_mode && cinfo->coef_bits) {
        for (int c = 0; c < cinfo->num_components; ++c) {
            for (int k = 0; k < DCTSIZE2; ++k) {
                if (cinfo->coef_bits[c][k] != 0)
                    return true;
            }
        }
    }
    return false;
}

void cmykToBgrx(unsigned char *p, int width)
{
    // Adobe's CMYK JPEGs store inverted inks; each channel times K composites onto white.
    for (int x = 0; x < width; ++x, p += 4) {
        const unsigned k = p[3];
        const auto r = static_cast<unsigned char>(p[0] * k / 255);
        const auto g = static_cast<unsigned char>(p[1] * k / 255);
        const auto b = static_cast<unsigned char>(p[2] * k / 255);
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = 0xFF;
    }
}

qint64 roundUp(qint64 value, qint64 multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

// Between the setjmp and the end, this function keeps nothing with a destructor in its own frame
// and calls nothing that could jump over one: the only jumps come out of libjpeg.
void decodeJpeg(Job &job)
{
    auto owner = std::make_unique<JpegJob>();
    JpegJob *const j = owner.get();
    j->source = &job.source;
    j->cancel = job.options.cancel;
    j->maxScans = job.options.limits.maxScans;
    j->failure = Status::Corrupt;
    j_decompress_ptr cinfo = &j->cinfo;
    cinfo->err = jpeg_std_error(&j->errorManager);
    j->errorManager.error_exit = jpegErrorExit;
    j->errorManager.emit_message = jpegEmitMessage;
    cinfo->client_data = j;
    if (setjmp(j->jump)) {
        jpeg_destroy_decompress(cinfo);
        job.fail(j->failure, QString::fromLatin1(j->message));
        return;
    }
    jpeg_create_decompress(cinfo);

    j->sourceManager.init_source = jpegInitSource;
    j->sourceManager.fill_input_buffer = jpegFillInput;
    j->sourceManager.skip_input_data = jpegSkipInput;
    j->sourceManager.resync_to_restart = jpeg_resync_to_restart;
    j->sourceManager.term_source = jpegTermSource;
    j->sourceManager.next_input_byte = job.source.pos();
    j->sourceManager.bytes_in_buffer = job.source.available();
    job.source.advance(job.source.available());
    cinfo->src = &j->sourceManager;
    j->progressManager.progress_monitor = jpegProgress;
    cinfo->progress = &j->progressManager;

    jpeg_read_header(cinfo, TRUE);
    noteScan(cinfo, *j);

    const int width = static_cast<int>(cinfo->image_width);
    const int height = static_cast<int>(cinfo->image_height);
    // Progressive pictures, and sequential ones whose components come in separate scans, are
    // gathered whole into libjpeg's coefficient buffer before the first row comes out.
    const bool multiScan = cinfo->progressive_mode || cinfo->comps_in_scan < cinfo->num_components;
    qint64 coefficients = 0;
    if (multiScan) {
        for (int c = 0; c < cinfo->num_components; ++c) {
            const jpeg_component_info &component = cinfo->comp_info[c];
            coefficients += roundUp(component.width_in_blocks, component.h_samp_factor)
                * roundUp(component.height_in_blocks, component.v_samp_factor) * qint64(DCTSIZE2 * sizeof(JCOEF));
        }
    }
    // libjpeg's row buffers (input, context and upsampling rows) and the rows handed to the sink.
    const qint64 rowBytes = qint64(width) * 4;
    const qint64 libjpegBytes = coefficients + rowBytes * 48 + (qint64(1) << 20);
    const qint64 rowsBytes = rowBytes * JpegRowsPerCall;
    const qint64 picture = qint64(width) * height * 4;
    if (!job.allowed(width, height, picture + libjpegBytes + rowsBytes)
        || !job.reserve(job.sink.bytesFor(width, height) + libjpegBytes + rowsBytes) || !job.begin(width, height)) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    // libjpeg refuses to allocate beyond what was reserved, should the estimate be short.
    cinfo->mem->max_memory_to_use = static_cast<long>(libjpegBytes);

    const bool direct = job.sink.rowTarget(0) != nullptr;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (cmyk)
        cinfo->out_color_space = JCS_CMYK;
    else if (cinfo->jpeg_color_space == JCS_GRAYSCALE && !direct)
        cinfo->out_color_space = JCS_GRAYSCALE;
    else
        cinfo->out_color_space = JCS_EXT_BGRX;
    const PictureSink::PixelFormat format =
        cinfo->out_color_space == JCS_GRAYSCALE ? PictureSink::PixelFormat::Gray8 : PictureSink::PixelFormat::Bgrx32;

    jpeg_start_decompress(cinfo);
    if (multiScan && scansIncomplete(cinfo, *j)) {
        jpeg_destroy_decompress(cinfo);
        job.fail(Status::Truncated, QStringLiteral("the JPEG data ends early"));
        return;
    }

    JSAMPROW rows[JpegRowsPerCall];
    if (!direct) {
        const std::size_t stride = std::size_t(width) * std::size_t(cinfo->output_components);
        job.rows.resize(stride * JpegRowsPerCall);
        for (int i = 0; i < JpegRowsPerCall; ++i)
            rows[i] = job.rows.data() + stride * std::size_t(i);
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y0 = static_cast<int>(cinfo->output_scanline);
        const int wanted = std::min(JpegRowsPerCall, height - y0);
        if (direct) {
            for (int i = 0; i < wanted; ++i)
                rows[i] = job.sink.rowTarget(y0 + i);
        }
        const int got = static_cast<int>(jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(wanted)));
        if (got <= 0)
            break;
        for (int i = 0; i < got; ++i) {
            if (cmyk)
                cmykToBgrx(rows[i], width);
            if (!direct)
                job.sink.addRow(y0 + i, rows[i], format);
        }
    }
    // A single-scan picture is read while its rows come out; whether its data lasted is known now.
    // The end marker itself is not looked for: data after the picture does not matter.
    const bool complete = cinfo->output_scanline == cinfo->output_height && !j->sawHitMarker;
    jpeg_destroy_decompress(cinfo);
    if (!complete) {
        job.fail(Status::Truncated, QStringLiteral("the JPEG data ends early"));
        return;
    }
    job.result.status = Status::Ok;
}

// ---- BMP -------------------------------------------------------------------------------------

struct BmpLayout {
    std::uint32_t dataOffset = 0;
    std::uint32_t infoSize = 0;
    qint64 width = 0;
    qint64 height = 0; // the number of rows; the header's sign gives the order
    bool topDown = false;
    unsigned planes = 0;
    unsigned bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t colours = 0; // entries of the colour table the header declares (0: the default)
};

enum : std::uint32_t { BmpRgb = 0, BmpRle8 = 1, BmpRle4 = 2, BmpBitFields = 3, BmpAlphaBitFields = 6 };

/// Reads the file and information headers at the start of @p p; false when they are cut short.
bool readBmpLayout(const unsigned char *p, std::size_t n, BmpLayout &out)
{
    if (n < 18)
        return false;
    out.dataOffset = le32(p + 10);
    out.infoSize = le32(p + 14);
    if (out.infoSize == 12) { // OS/2 1.x: 16-bit sizes, no compression
        if (n < 26)
            return false;
        out.width = le16(p + 18);
        out.height = le16(p + 20);
        out.planes = le16(p + 22);
        out.bits = le16(p + 24);
        return true;
    }
    if (n < 50)
        return false;
    out.width = static_cast<std::int32_t>(le32(p + 18));
    const qint64 rawHeight = static_cast<std::int32_t>(le32(p + 22));
    out.topDown = rawHeight < 0;
    out.height = rawHeight < 0 ? -rawHeight : rawHeight;
    out.planes = le16(p + 26);
    out.bits = le16(p + 28);
    out.compression = le32(p + 30);
    out.colours = le32(p + 46);
    return true;
}

qint64 bmpStride(const BmpLayout &b)
{
    return (b.width * b.bits + 31) / 32 * 4;
}

/// Entries of the colour table read from a picture of up to 8 bits.
std::uint32_t bmpColours(const BmpLayout &b)
{
    const std::uint32_t maximum = 1u << b.bits;
    return b.colours == 0 || b.colours > maximum ? maximum : b.colours;
}

/// Uncompressed 1, 4, 8, 24 and 32-bit pictures with the common 40-byte header, their rows after
/// their colour table, are read here row by row; other layouts go to Qt's reader whole.
bool bmpStreams(const BmpLayout &b)
{
    if (b.infoSize != 40 || b.planes != 1 || b.compression != BmpRgb)
        return false;
    if (b.bits == 24 || b.bits == 32)
        return b.dataOffset >= 14 + 40;
    return (b.bits == 1 || b.bits == 4 || b.bits == 8) && b.dataOffset >= 14 + 40 + bmpColours(b) * 4;
}

void decodeBmpRows(Job &job, const BmpLayout &b)
{
    Source &source = job.source;
    const qint64 stride = bmpStride(b);
    const qint64 rowWork = stride + b.width * 4;
    // Short rows are known from the file's length before anything is read or reserved.
    if (b.width >= 1 && b.width <= MaxSide && b.height <= MaxSide
        && qint64(b.dataOffset) + stride * b.height > source.size()) {
        job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its last row"));
        return;
    }
    if (!job.allowed(b.width, b.height, b.width * b.height * 4 + rowWork))
        return;
    const int width = static_cast<int>(b.width);
    const int height = static_cast<int>(b.height);
    if (!job.reserve(job.sink.bytesFor(width, height) + rowWork) || !job.begin(width, height))
        return;

    // Indices beyond the table read as black, as Qt's reader shows them.
    std::array<unsigned char, 256 * 4> palette{}; // B, G, R, 0xFF per entry
    for (std::size_t i = 0; i < 256; ++i)
        palette[i * 4 + 3] = 0xFF;
    if (b.bits <= 8) {
        const std::uint32_t colours = bmpColours(b);
        std::array<unsigned char, 256 * 4> table{};
        if (!source.skipTo(14 + 40) || !source.read(table.data(), colours * 4)) {
            job.fail(Status::Truncated, QStringLiteral("the BMP colour table is cut short"));
            return;
        }
        for (std::size_t i = 0; i < colours; ++i)
            std::memcpy(&palette[i * 4], &table[i * 4], 3);
    }
    if (!source.skipTo(b.dataOffset)) {
        job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its rows"));
        return;
    }

    job.rows.resize(std::size_t(stride) + std::size_t(width) * 4);
    unsigned char *raw = job.rows.data();
    unsigned char *scratch = raw + stride;
    for (int i = 0; i < height; ++i) {
        if (i % RowsBetweenCancelChecks == 0 && job.cancelled()) {
            job.failCancelled();
            return;
        }
        if (!source.read(raw, std::size_t(stride))) {
            if (source.failed())
                job.fail(Status::ReadFailed, QStringLiteral("the file could not be read"));
            else
                job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its last row"));
            return;
        }
        const int y = b.topDown ? i : height - 1 - i;
        unsigned char *target = job.sink.rowTarget(y);
        unsigned char *out = target ? target : scratch;
        if (b.bits == 24 || b.bits == 32) {
            const int step = static_cast<int>(b.bits / 8);
            const unsigned char *in = raw;
            for (int x = 0; x < width; ++x, in += step, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 0xFF;
            }
        } else {
            const unsigned mask = (1u << b.bits) - 1;
            for (int x = 0; x < width; ++x, out += 4) {
                const std::size_t bit = std::size_t(x) * b.bits;
                const unsigned index = (raw[bit / 8] >> (8 - b.bits - bit % 8)) & mask;
                std::memcpy(out, &palette[index * 4], 4);
            }
        }
        if (!target)
            job.sink.addRow(y, scratch, PictureSink::PixelFormat::Bgrx32);
    }
    job.result.status = Status::Ok;
}

/// Whether run-length coded rows from @p at reach their end-of-picture code, or end every row,
/// before the data ends.
bool bmpRunsComplete(const unsigned char *d, std::size_t n, std::size_t at, qint64 height, bool fourBits)
{
    qint64 rows = 0;
    while (at + 2 <= n) {
        const unsigned count = d[at];
        const unsigned code = d[at + 1];
        at += 2;
        if (count != 0)
            continue; // a run of one value
        if (code == 0) { // end of row
            if (++rows >= height)
                return true;
        } else if (code == 1) { // end of picture
            return true;
        } else if (code == 2) { // move right and down
            if (at + 2 > n)
                return false;
            rows += d[at + 1];
            at += 2;
            if (rows >= height)
                return true;
        } else { // literal values, padded to an even count of bytes
            const std::size_t bytes = fourBits ? (code + 1) / 2 : code;
            at += bytes + (bytes & 1);
        }
    }
    return false;
}

// ---- GIF -------------------------------------------------------------------------------------

enum class Walk { Complete, Truncated, Corrupt };

bool skipSubBlocks(const unsigned char *d, std::size_t n, std::size_t &at)
{
    for (;;) {
        if (at >= n)
            return false;
        const std::size_t size = d[at++];
        if (size == 0)
            return true;
        at += size;
    }
}

/// Walks the blocks of a GIF up to the end of its first picture's data, the part Duovue shows,
/// and gives the size of the canvas that picture is drawn on.
Walk walkGif(const unsigned char *d, std::size_t n, qint64 &width, qint64 &height)
{
    if (n < 13)
        return Walk::Truncated;
    const qint64 screenWidth = le16(d + 6);
    const qint64 screenHeight = le16(d + 8);
    std::size_t at = 13;
    if (d[10] & 0x80)
        at += std::size_t(3) << ((d[10] & 7) + 1);
    for (;;) {
        if (at >= n)
            return Walk::Truncated;
        const unsigned char block = d[at++];
        if (block == 0x21) { // extension: a label, then data blocks
            ++at;
            if (!skipSubBlocks(d, n, at))
                return Walk::Truncated;
        } else if (block == 0x2C) { // a picture
            if (at + 9 > n)
                return Walk::Truncated;
            const qint64 right = qint64(le16(d + at)) + le16(d + at + 4);
            const qint64 bottom = qint64(le16(d + at + 2)) + le16(d + at + 6);
            const unsigned char flags = d[at + 8];
            at += 9;
            if (flags & 0x80)
                at += std::size_t(3) << ((flags & 7) + 1);
            ++at; // the LZW code size
            if (!skipSubBlocks(d, n, at))
                return Walk::Truncated;
            // Qt's reader draws on the logical screen, or on the picture's own extent when the
            // screen is missing; the larger of the two bounds what it allocates.
            width = std::max(screenWidth, right);
            height = std::max(screenHeight, bottom);
            return Walk::Complete;
        } else { // the trailer, or anything else, before any picture
            return Walk::Corrupt;
        }
    }
}

// ---- Formats read whole through Qt -------------------------------------------------------------

/// Hands the data to Qt's reader in pieces and reports the end of the data once the decode is
/// cancelled, so that even a long GIF decode stops soon.
class CancellableBuffer final : public QBuffer
{
public:
    CancellableBuffer(const QByteArray &data, const std::atomic<bool> *cancel)
        : m_cancel(cancel)
    {
        setData(data);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_cancel && m_cancel->load(std::memory_order_relaxed))
            return -1;
        return QBuffer::readData(data, maxSize);
    }

private:
    const std::atomic<bool> *m_cancel;
};

/// Checks that the data holds a whole picture and gives the size Qt's reader will allocate.
bool wholeLayout(Job &job, const unsigned char *d, std::size_t n, qint64 &width, qint64 &height)
{
    if (job.result.format == Format::Gif) {
        switch (walkGif(d, n, width, height)) {
        case Walk::Complete:
            return true;
        case Walk::Truncated:
            return job.fail(Status::Truncated, QStringLiteral("the GIF data ends early"));
        case Walk::Corrupt:
            break;
        }
        return job.fail(Status::Corrupt, QStringLiteral("the GIF holds no picture"));
    }
    BmpLayout b;
    if (!readBmpLayout(d, n, b))
        return job.fail(Status::Truncated, QStringLiteral("the BMP header is cut short"));
    width = b.width;
    height = b.height;
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide || b.bits == 0 || b.bits > 32)
        return true; // refused by the size check or by Qt's reader
    if (b.compression == BmpRle8 || b.compression == BmpRle4) {
        if (!bmpRunsComplete(d, n, b.dataOffset, height, b.compression == BmpRle4))
            return job.fail(Status::Truncated, QStringLiteral("the BMP data ends early"));
    } else if (b.compression == BmpRgb || b.compression == BmpBitFields || b.compression == BmpAlphaBitFields) {
        if (qint64(b.dataOffset) + bmpStride(b) * height > qint64(n))
            return job.fail(Status::Truncated, QStringLiteral("the BMP file ends before its last row"));
    }
    return true;
}

void decodeWhole(Job &job)
{
    Source &source = job.source;
    const qint64 size = source.size();
    if (size > job.options.limits.maxFileBytes) {
        job.fail(Status::TooLarge, QStringLiteral("the file is too large"));
        return;
    }
    QByteArray bytes;
    if (source.isMemory()) {
        bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(source.pos()), qsizetype(source.available()));
    } else {
        if (!job.reserve(size))
            return;
        bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
        for (qint64 at = 0; at < size; at += WholeReadChunk) {
            if (job.cancelled()) {
                job.failCancelled();
                return;
            }
            const qint64 part = std::min(WholeReadChunk, size - at);
            if (!source.read(reinterpret_cast<unsigned char *>(bytes.data() + at), std::size_t(part))) {
                if (source.failed())
                    job.fail(Status::ReadFailed, QStringLiteral("the file could not be read"));
                else
                    job.fail(Status::Truncated, QStringLiteral("the file shrank while it was read"));
                return;
            }
        }
    }

    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    qint64 width = 0;
    qint64 height = 0;
    if (!wholeLayout(job, data, std::size_t(bytes.size()), width, height))
        return;
    // Qt's reader holds its own picture, and converting it to the panes' format may take another.
    const qint64 need = bytes.size() + 2 * width * height * 4;
    if (!job.allowed(width, height, need) || !job.reserve(need))
        return;

    CancellableBuffer device(bytes, job.options.cancel);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(
        &device, job.result.format == Format::Gif ? QByteArrayLiteral("gif") : QByteArrayLiteral("bmp"));
    reader.setAllocationLimit(static_cast<int>(job.options.limits.maxPictureBytes >> 20));
    QImage picture;
    const bool read = reader.read(&picture);
    if (job.cancelled()) {
        job.failCancelled();
        return;
    }
    if (!read || picture.isNull()) {
        job.fail(Status::Corrupt, reader.errorString());
        return;
    }
    // Transparent pixels are drawn onto black.
    if (picture.hasAlphaChannel())
        picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    picture.convertTo(QImage::Format_RGB32);
    if (picture.isNull()) {
        job.fail(Status::TooLarge, QStringLiteral("out of memory"));
        return;
    }
    job.result.width = picture.width();
    job.result.height = picture.height();
    if (!job.sink.adopt(picture)) {
        if (!job.begin(picture.width(), picture.height()))
            return;
        for (int y = 0; y < picture.height(); ++y) {
            if (y % RowsBetweenCancelChecks == 0 && job.cancelled()) {
                job.failCancelled();
                return;
            }
            job.sink.addRow(y, picture.constScanLine(y), PictureSink::PixelFormat::Bgrx32);
        }
    }
    job.result.status = Status::Ok;
}

void decodeBmp(Job &job)
{
    BmpLayout layout;
    if (!readBmpLayout(job.source.pos(), job.source.available(), layout)) {
        job.fail(Status::Truncated, QStringLiteral("the BMP header is cut short"));
        return;
    }
    if (bmpStreams(layout))
        decodeBmpRows(job, layout);
    else
        decodeWhole(job);
}

void run(Job &job)
{
    if (job.cancelled()) {
        job.failCancelled();
        return;
    }
    job.result.format = sniff(job.source.pos(), job.source.available());
    switch (job.result.format) {
    case Format::Jpeg:
        decodeJpeg(job);
        return;
    case Format::Bmp:
        decodeBmp(job);
        return;
    case Format::Gif:
        decodeWhole(job);
        return;
    case Format::Unknown:
        break;
    }
    job.fail(Status::NotPicture, QStringLiteral("not a JPEG, BMP or GIF picture"));
}

void trimAfter(const DecodeResult &result, const Reservation &reservation)
{
    // Not after a cancel: whoever cancelled waits for this decode to end.
    if (reservation.largest() >= TrimAfterBytes && result.status != Status::Cancelled)
        ::malloc_trim(0);
}

} // namespace

// ---- MemoryBudget ------------------------------------------------------------------------------

MemoryBudget::MemoryBudget(qint64 total)
    : m_total(total)
    , m_free(total)
{
}

MemoryBudget::Grant MemoryBudget::reserve(qint64 bytes, const std::atomic<bool> *cancel)
{
    bytes = std::max<qint64>(bytes, 0);
    if (bytes > m_total)
        return Grant::TooLarge;
    const auto isCancelled = [cancel] {
        return cancel && cancel->load(std::memory_order_relaxed);
    };
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = m_nextTicket++;
    m_queue.push_back(ticket);
    m_changed.wait(lock, [&] {
        return isCancelled() || (m_queue.front() == ticket && m_free >= bytes);
    });
    const bool granted = !isCancelled() && m_queue.front() == ticket && m_free >= bytes;
    m_queue.erase(std::find(m_queue.begin(), m_queue.end(), ticket));
    if (granted)
        m_free -= bytes;
    // The next in line may fit in what is left, or may now be first.
    m_changed.notify_all();
    return granted ? Grant::Granted : Grant::Cancelled;
}

void MemoryBudget::release(qint64 bytes)
{
    std::lock_guard lock(m_mutex);
    m_free += std::max<qint64>(bytes, 0);
    m_changed.notify_all();
}

void MemoryBudget::wake()
{
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

qint64 MemoryBudget::available() const
{
    std::lock_guard lock(m_mutex);
    return m_free;
}

// ---- ImageSink ---------------------------------------------------------------------------------

qint64 ImageSink::bytesFor(int width, int height) const
{
    return qint64(width) * height * 4;
}

bool ImageSink::begin(int width, int height)
{
    m_image = QImage(width, height, QImage::Format_RGB32);
    return !m_image.isNull();
}

unsigned char *ImageSink::rowTarget(int y)
{
    return m_image.scanLine(y);
}

void ImageSink::addRow(int y, const unsigned char *pixels, PixelFormat format)
{
    unsigned char *out = m_image.scanLine(y);
    const int width = m_image.width();
    switch (format) {
    case PixelFormat::Bgrx32:
        std::memcpy(out, pixels, std::size_t(width) * 4);
        break;
    case PixelFormat::Rgb24:
        for (int x = 0; x < width; ++x, out += 4, pixels += 3) {
            out[0] = pixels[2];
            out[1] = pixels[1];
            out[2] = pixels[0];
            out[3] = 0xFF;
        }
        break;
    case PixelFormat::Gray8:
        for (int x = 0; x < width; ++x, out += 4, ++pixels) {
            out[0] = out[1] = out[2] = *pixels;
            out[3] = 0xFF;
        }
        break;
    }
}

bool ImageSink::adopt(QImage &picture)
{
    m_image = std::move(picture);
    return true;
}

// ---- PictureDecoder ----------------------------------------------------------------------------

PictureDecoder::PictureDecoder(DecodeOptions options)
    : m_options(options)
{
}

PictureDecoder::~PictureDecoder() = default;

DecodeResult PictureDecoder::decodeFile(const QString &path, PictureSink &sink, QByteArray *head)
{
    DecodeResult result;
    if (head)
        head->clear();
    // Without blocking, and checked once open: a pipe or a device named like a picture, even one
    // put in the file's place a moment ago, must not stop the thread.
    const int fd = LongPath::open(NativePath::encode(path), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        result.status = error == ENOENT || error == ENOTDIR ? Status::NotFound
            : error == EACCES || error == EPERM             ? Status::AccessDenied
                                                            : Status::ReadFailed;
        result.reason = qt_error_string(error);
        return result;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = Status::ReadFailed;
        result.reason = QStringLiteral("not a regular file");
        return result;
    }
    result.fileSize = st.st_size;
    m_buffer.resize(HeadBytes);
    Source source(fd, st.st_size, m_buffer);
    Reservation reservation(m_options.budget);
    Job job{m_options, source, sink, reservation, m_rows, result};
    if (job.cancelled()) {
        job.failCancelled();
        return result;
    }
    source.refill();
    if (source.failed()) {
        job.fail(Status::ReadFailed, QStringLiteral("the file could not be read"));
        return result;
    }
    if (head)
        *head = QByteArray(reinterpret_cast<const char *>(source.pos()), qsizetype(source.available()));
    run(job);
    trimAfter(result, reservation);
    return result;
}

DecodeResult PictureDecoder::decodeData(QByteArrayView data, PictureSink &sink)
{
    DecodeResult result;
    result.fileSize = data.size();
    Source source(reinterpret_cast<const unsigned char *>(data.data()), std::size_t(data.size()));
    Reservation reservation(m_options.budget);
    Job job{m_options, source, sink, reservation, m_rows, result};
    run(job);
    trimAfter(result, reservation);
    return result;
}

} // namespace Duovue
