#pragma once

#include <atomic>

#include <QImage>
#include <QString>

#include "core/result.h"
#include "imaging/imageinfo.h"

namespace Duovue
{

struct AppState;

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

/// What a picture pane holds. Owned by the pane; written only by the loader (and cleared by parts
/// that empty the pane).
struct PaneContent {
    /// The decoded picture; null while the pane shows no picture or the missing-file placeholder.
    QImage picture;
    ImageInfo info;
    QString informationText;
    /// The pane shows the missing-file placeholder (its info then holds 223 x 30).
    bool missingFile = false;

    bool hasPicture() const { return !picture.isNull() || missingFile; }
    void clear() { *this = PaneContent(); }
};

enum class LoadOutcome { Loaded, MissingFile, Undecodable };

/// Size of the missing-file placeholder the pane shows instead of a picture.
constexpr int MissingFileBitmapWidth = 223;
constexpr int MissingFileBitmapHeight = 30;

/// Applies a finished read of entry @p index of side @p pane % 2 to pane @p pane and to the shared
/// state: the pane's content, AppState::loadMarker and AppState::loadSucceeded, and for a missing
/// file the entry's list texts (name "ファイルがありません", folder and times emptied).
///
/// The marker is 0 after a success and the failing entry's index after a failure, which the list's
/// "position here" rule compares against; because a failure at entry 0 also leaves 0 there,
/// readers that need a good picture (pair tools, compositing) check loadSucceeded.
///
/// Thread: GUI thread (it writes the shared state).
LoadOutcome ApplyPictureLoad(
    AppState &state, int pane, qsizetype index, Result<DecodedPicture> read, PaneContent &content);

/// Loads entry @p index of side @p pane % 2 into pane @p pane (0..3) synchronously: ReadPicture
/// followed by ApplyPictureLoad. An index outside the side's list is refused with InvalidArgument
/// before anything changes.
///
/// Thread: GUI thread.
Result<LoadOutcome> LoadPicture(AppState &state, int pane, qsizetype index, PaneContent &content);

} // namespace Duovue
