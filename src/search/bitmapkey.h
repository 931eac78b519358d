#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

#include <QByteArray>
#include <QString>

#include "imaging/picturedecoder.h"

namespace Duovue
{

/// What the bitmap method learns of one picture file.
struct BitmapKey {
    enum class Outcome {
        Ok,
        Unreadable, // the file could not be opened or read
        Undecodable, // not a picture Duovue decodes: another format, truncated, too large, corrupt
        Cancelled
    };
    Outcome outcome = Outcome::Undecodable;
    QString key; // "%08X" of the CRC-32 of the thumbnail; empty unless Ok
    int width = 0;
    int height = 0;
    QByteArray thumbnail; // n x n bytes of 0x40 / 0xC0
};

class PictureKeyMaker;

/// Computes bitmap keys. Pictures are decoded by PictureDecoder, so the search keys exactly the
/// pictures the panes can show (JPEG, BMP and GIF by content, complete, within the limits). The
/// whole picture is decoded at full size (a reduced-scale JPEG decode would change many keys, and a
/// BMP or GIF copy of a JPEG must keep the JPEG's key), but never held: each decoded row goes
/// straight into an n x n area average, so memory does not grow with the picture's size beyond
/// what libjpeg needs for a progressive JPEG, which the memory budget accounts for.
///
/// Thread: one object per worker thread; it keeps its decoder's buffers between files.
class BitmapKeyMaker
{
public:
    /// @p n is the reduction size, 10 to 20 in the search. @p cancel stops a decode in progress;
    /// @p budget, when given, is shared with the other workers.
    explicit BitmapKeyMaker(int n, const std::atomic<bool> *cancel = nullptr, MemoryBudget *budget = nullptr);
    ~BitmapKeyMaker();
    BitmapKeyMaker(const BitmapKeyMaker &) = delete;
    BitmapKeyMaker &operator=(const BitmapKeyMaker &) = delete;

    BitmapKey compute(const QString &path);
    /// The same for data already in memory.
    BitmapKey computeFromData(const unsigned char *data, std::size_t length);

private:
    std::unique_ptr<PictureKeyMaker> m_maker;
};

} // namespace Duovue
