#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <optional>

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include "core/fileoperations.h"
#include "core/result.h"
#include "imaging/pictureloader.h"

namespace Duovue
{

/// Decodes the entry each viewer side will most likely show next while the user looks at the
/// current one, so that stepping to it costs no decode.
///
/// A prefetch is tied to a side, a list index, a path and the file as it was on disk when it was
/// read: it is handed out only for exactly that entry of an unchanged file, and dropped when the
/// side's list changes (invalidate) or another entry is prefetched for the side. A stale prefetch
/// is never shown; at worst it is decoded for nothing.
///
/// Thread: GUI thread. The decodes run ReadPicture on the global thread pool with their own copy of
/// the path and of a cancel flag; their results are looked at only on the GUI thread. A read whose
/// result can no longer be used is cancelled, so that neither the next read nor the program's exit
/// waits for it. take() hands its picture to the caller.
class PicturePrefetcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PicturePrefetcher)

public:
    explicit PicturePrefetcher(QObject *parent = nullptr);
    ~PicturePrefetcher() override;

    /// Starts reading entry @p index (file @p path) of @p side in the background, unless exactly
    /// that entry is already read or on its way. Replaces the side's earlier prefetch.
    void prefetch(int side, qsizetype index, const QString &path);

    /// The read of entry @p index of @p side if it was prefetched for @p path and the file has not
    /// changed since; a prefetch of this entry that is still running is waited for. Nothing
    /// otherwise (read the file then). Either way the side's prefetch is used up.
    std::optional<Result<DecodedPicture>> take(int side, qsizetype index, const QString &path);

    /// Forgets the side's prefetch: its list changed, so the index may name another file.
    void invalidate(int side);
    void clear();

    /// A prefetch of @p side is running.
    bool isRunning(int side) const;

Q_SIGNALS:
    /// The read of entry @p index of @p side finished and waits to be taken.
    void prefetched(int side, qsizetype index);

private:
    struct Fetched {
        std::optional<FileStamp> stamp;
        Result<DecodedPicture> read;
    };
    struct Slot {
        qsizetype index = -1;
        QString path;
        QFutureWatcher<Fetched> watcher;
        std::shared_ptr<std::atomic<bool>> cancel; // shared with the running read
    };

    static Fetched fetch(const QString &path, const std::atomic<bool> *cancel);
    /// Tells the side's running read to stop: its result will not be looked at.
    void cancel(int side);
    void finished(int side);

    std::array<Slot, 2> m_slots;
};

} // namespace Duovue
