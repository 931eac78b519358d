#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "imaging/decodejob.h"

namespace Duovue::Decoding
{

namespace
{

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

} // namespace

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

} // namespace Duovue::Decoding
