#pragma once

#include <atomic>

#include <QImage>
#include <QString>

#include "core/result.h"
#include "imaging/imageinfo.h"

namespace Duovue
{

/// A decoded picture with its information record (path, type text, file size, pixel size,
/// resolutions, Exif flag, bit depth; the list index is the caller's to set).
struct DecodedPicture {
    ImageInfo info;
    /// Format_RGB32, exactly the decoder's pixel size, as stored (no Exif orientation).
    QImage picture;
};

/// Reads the file at @p path, probes its header and decodes it with PictureDecoder, under the
/// limits every decode of Duovue shares (JPEG, BMP or GIF known by content; the first frame of an
/// animation; a truncated picture is refused, not shown in part). Fails with NotFound when no file
/// is there, ReadFailed or AccessDenied when it cannot be read (also for folders and other
/// non-regular files), Unsupported when it is larger than the limits, InvalidData when it is not a
/// picture Duovue decodes, Aborted when @p cancel was set.
///
/// Thread: any; touches nothing shared. The caller owns the returned picture.
Result<DecodedPicture> ReadPicture(const QString &path, const std::atomic<bool> *cancel = nullptr);

/// The pane's description of a loaded picture: file size, picture size and, when the picture has
/// a resolution, the resolution, one per line, lines separated by "\r\n".
QString InformationText(const ImageInfo &info);

/// What a picture pane holds: the picture with its description and the outcome of its last load.
/// The document owns one per pane; the loader fills it.
struct PaneContent {
    /// The decoded picture; null while the pane shows no picture or the missing-file placeholder.
    QImage picture;
    ImageInfo info;
    QString informationText;
    /// The pane shows the missing-file placeholder (its info then holds 223 x 30).
    bool missingFile = false;
    /// LoadMarker: 1 until the first load, 0 after a successful one, the failing entry's index after
    /// a failed one. Only a load changes it.
    int loadMarker = 1;
    /// The last load succeeded and its picture is still there. Kept beside the marker because a
    /// failure at entry 0 leaves the marker at 0, which alone would read as success.
    bool loadSucceeded = false;
    /// The last load failed (at entry loadMarker). Kept with the marker, since the marker's start
    /// value 1 would otherwise read as a failure at entry 1 before anything was loaded.
    bool loadFailed = false;

    bool hasPicture() const { return !picture.isNull() || missingFile; }
    /// Drops the picture and its description; the load marker and loadFailed stay.
    void clearPicture()
    {
        const int marker = loadMarker;
        const bool failed = loadFailed;
        *this = PaneContent();
        loadMarker = marker;
        loadFailed = failed;
    }
};

enum class LoadOutcome { Loaded, MissingFile, Undecodable };

/// Size of the missing-file placeholder the pane shows instead of a picture.
constexpr int MissingFileBitmapWidth = 223;
constexpr int MissingFileBitmapHeight = 30;

/// Puts a finished read of list entry @p index into @p content: the picture with its information
/// record and text and a marker of 0 after a success; after a failure no picture (the placeholder
/// for a missing file) and the failing entry's index as the marker, which the list's "position
/// here" rule compares against. Because a failure at entry 0 also leaves 0 there, readers that need
/// a good picture (pair tools, compositing) check loadSucceeded.
///
/// A missing file also changes the entry's list texts; that is the document's part
/// (CDuovueDoc::applyPictureLoad).
///
/// Thread: the thread that owns @p content.
LoadOutcome ApplyPictureLoad(PaneContent &content, qsizetype index, Result<DecodedPicture> read);

} // namespace Duovue
