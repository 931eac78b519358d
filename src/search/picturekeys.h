#pragma once

#include <atomic>
#include <cstddef>
#include <optional>

#include <QString>

#include "imaging/picturedecoder.h"
#include "search/bitmapkey.h"
#include "search/boxreducer.h"
#include "search/similardescriptor.h"
#include "search/thumbnailset.h"

namespace Duovue
{

/// Everything the search computes of one picture file from one decode.
struct PictureKeys {
    /// Outcome, width and height always; the key and the thumbnail when a reduction size was asked.
    BitmapKey bitmap;
    /// When asked for and the picture decoded.
    std::optional<SimilarDescriptor> similar;
    /// The thumbnails of every precision, when asked for and the picture decoded.
    ThumbnailSet thumbnails;
    /// The outcome belongs to the file's content (it decoded, or its data were refused), not to the
    /// moment (memory, a read error, a cancel): only then may a key cache keep it.
    bool settled = false;
    /// Why the picture was refused, in plain words, when it was (empty for a picture known from the
    /// key cache not to decode).
    QString failure;
};

/// Computes, from a single full decode of each picture, the bitmap key at one reduction size, the
/// similar method's descriptor, or both: the decoded rows go to each reducer in turn, so asking for
/// both costs one decode and two area averages. Pictures are decoded by PictureDecoder, so only
/// pictures the panes can show get keys.
///
/// Thread: one object per worker thread; it keeps its decoder's buffers between files.
class PictureKeyMaker
{
public:
    /// @p reductionSize: the bitmap key's N (10 to 20 in the search), or 0 for none. @p cancel
    /// stops a decode in progress; @p budget, when given, is shared with the other workers. With
    /// @p everyPrecision the thumbnails of every size ThumbnailSet covers come too (a key cache keeps
    /// them), at about the cost of one; the key at N is then taken from them.
    PictureKeyMaker(int reductionSize,
        bool similar,
        const std::atomic<bool> *cancel = nullptr,
        MemoryBudget *budget = nullptr,
        bool everyPrecision = false);

    PictureKeys compute(const QString &path);
    /// The same for data already in memory.
    PictureKeys computeFromData(const unsigned char *data, std::size_t length);

private:
    PictureKeys keysFrom(const DecodeResult &decoded) const;

    PictureSink *bitmapSink();

    PictureDecoder m_decoder;
    int m_reductionSize = 0;
    std::optional<BoxReducer> m_bitmap;
    std::optional<ThumbnailSetReducer> m_every;
    std::optional<BoxReducer> m_similar;
};

} // namespace Duovue
