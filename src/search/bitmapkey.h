#pragma once

#include <atomic>
#include <cstdio>
#include <vector>

#include <QByteArray>
#include <QString>

namespace Duovue
{

/// What the bitmap method learns of one picture file.
struct BitmapKey {
    enum class Outcome {
        Ok,
        Unreadable, // the file could not be opened or read
        Undecodable, // no decoder produced a picture
        Cancelled
    };
    Outcome outcome = Outcome::Undecodable;
    QString key; // "%08X" of the CRC-32 of the thumbnail; empty unless Ok
    int width = 0;
    int height = 0;
    QByteArray thumbnail; // n x n bytes of 0x40 / 0xC0
};

/// Computes bitmap keys. The whole picture is decoded at full size (a reduced-scale JPEG decode
/// would change many keys, and a BMP or GIF copy of a JPEG must keep the JPEG's key), but never
/// held: each decoded scanline goes straight into an n x n area average, so memory does not grow
/// with the picture's size (a progressive JPEG still needs libjpeg's coefficient buffer).
///
/// JPEG data goes through libjpeg with its default (accurate) settings; BMP and GIF data, and
/// anything else Qt's image readers recognise by content, through QImageReader.
///
/// Thread: one object per worker thread; it keeps a file buffer for reuse between files.
class BitmapKeyMaker
{
public:
    /// @p n is the reduction size, 10 to 20 in the search.
    explicit BitmapKeyMaker(int n, const std::atomic<bool> *cancel = nullptr);

    BitmapKey compute(const QString &path);
    /// The same for data already in memory.
    BitmapKey computeFromData(const unsigned char *data, std::size_t length);

private:
    BitmapKey decodeJpeg(std::FILE *file, const unsigned char *data, std::size_t length);
    BitmapKey decodeWithQt(const unsigned char *data, std::size_t length);
    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }

    int m_n;
    const std::atomic<bool> *m_cancel;
    std::vector<unsigned char> m_file;
    std::vector<unsigned char> m_row;
};

} // namespace Duovue
