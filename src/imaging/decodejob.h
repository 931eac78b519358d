#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QString>

#include "imaging/picturedecoder.h"

// What PictureDecoder's format decoders share while they decode one picture. Used only inside
// imaging/: the decoders are in picturedecoder.cpp, jpegdecode.cpp and bmpgifdecode.cpp.
namespace Duovue::Decoding
{

using Status = DecodeResult::Status;
using Format = DecodeResult::Format;

/// Largest width or height of any format (JPEG stops at 65500, GIF at 65535).
constexpr qint64 MaxSide = 65535;
/// Rows asked of libjpeg per call.
constexpr int JpegRowsPerCall = 16;
/// Rows of a BMP or of a picture from Qt's readers between two looks at the cancel flag.
constexpr int RowsBetweenCancelChecks = 64;
/// Pieces in which a file held whole is read, between two looks at the cancel flag.
constexpr qint64 WholeReadChunk = qint64(4) << 20;

inline std::uint32_t le16(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

inline std::uint32_t le32(const unsigned char *p)
{
    return le16(p) | le16(p + 2) << 16;
}

/// The data being decoded: a file read through a window of the decoder's buffer, or a block in
/// memory that is one window.
class Source
{
public:
    Source(const unsigned char *data, std::size_t length);
    /// Takes @p fd over.
    Source(int fd, qint64 size, std::vector<unsigned char> &buffer);
    ~Source();
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
    bool refill();
    /// Copies the next @p n bytes; false when the data ends first.
    bool read(unsigned char *out, std::size_t n);
    /// Moves forward to offset @p target: within the window, or by seeking in the file, so that
    /// what is skipped is never read.
    bool skipTo(qint64 target);

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
    ~Reservation();
    Reservation(const Reservation &) = delete;
    Reservation &operator=(const Reservation &) = delete;

    /// Holds exactly @p bytes from now on. What was held is given back first, so that two decodes
    /// that grow their reservation can never wait for each other.
    MemoryBudget::Grant hold(qint64 bytes, const std::atomic<bool> *cancel);

    qint64 largest() const { return m_largest; }

private:
    MemoryBudget *m_budget;
    qint64 m_held = 0;
    qint64 m_largest = 0;
};

/// One decode: what the format decoders work with.
struct Job {
    const DecodeOptions &options;
    Source &source;
    PictureSink &sink;
    Reservation &reservation;
    std::vector<unsigned char> &rows;
    DecodeResult &result;

    bool cancelled() const { return options.cancel && options.cancel->load(std::memory_order_relaxed); }

    /// Ends the decode with @p status; false, so that callers can return it.
    bool fail(Status status, const QString &reason);
    bool failCancelled() { return fail(Status::Cancelled, QStringLiteral("cancelled")); }

    /// Whether a @p width x @p height picture whose full decode holds @p fullDecodeBytes is one
    /// Duovue decodes; the same answer whatever the sink, so that the search and the panes agree.
    bool allowed(qint64 width, qint64 height, qint64 fullDecodeBytes);
    /// Reserves what this decode holds from the shared budget, waiting for it when others hold it.
    bool reserve(qint64 bytes);
    bool begin(int width, int height);
};

/// The format decoders (JPEG in jpegdecode.cpp, the others in bmpgifdecode.cpp). Each leaves the
/// outcome in job.result.
void decodeJpeg(Job &job);
/// Plain BMP rows are streamed; the other layouts go through decodeWhole.
void decodeBmp(Job &job);
/// GIF and the rarer BMP layouts: the file is held whole and read by Qt's readers.
void decodeWhole(Job &job);

} // namespace Duovue::Decoding
