#pragma once

#include <atomic>
#include <cstddef>
#include <optional>

#include <QString>

#include "imaging/picturedecoder.h"
#include "search/bitmapkey.h"
#include "search/boxreducer.h"
#include "search/similardescriptor.h"

namespace Duovue
{

/// Everything the search computes of one picture file from one decode.
struct PictureKeys {
    /// Outcome, width and height always; the key and the thumbnail when a reduction size was asked.
    BitmapKey bitmap;
    /// When asked for and the picture decoded.
    std::optional<SimilarDescriptor> similar;
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
    /// stops a decode in progress; @p budget, when given, is shared with the other workers.
    PictureKeyMaker(
        int reductionSize, bool similar, const std::atomic<bool> *cancel = nullptr, MemoryBudget *budget = nullptr);

    PictureKeys compute(const QString &path);
    /// The same for data already in memory.
    PictureKeys computeFromData(const unsigned char *data, std::size_t length);

private:
    PictureKeys keysFrom(const DecodeResult &decoded) const;

    PictureDecoder m_decoder;
    std::optional<BoxReducer> m_bitmap;
    std::optional<BoxReducer> m_similar;
};

} // namespace Duovue
