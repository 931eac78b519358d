#include "viewer/pictureprefetcher.h"

#include <QtConcurrent/QtConcurrentRun>

namespace Duovue
{

PicturePrefetcher::PicturePrefetcher(QObject *parent)
    : QObject(parent)
{
    for (int side = 0; side < 2; ++side)
        connect(&m_slots[side].watcher, &QFutureWatcherBase::finished, this, [this, side] {
            finished(side);
        });
}

PicturePrefetcher::~PicturePrefetcher()
{
    // A running read owns all its data; it is told to stop and its result is never looked at.
    for (int side = 0; side < 2; ++side) {
        cancel(side);
        m_slots[side].watcher.disconnect(this);
    }
}

PicturePrefetcher::Fetched PicturePrefetcher::fetch(const QString &path, const std::atomic<bool> *cancel)
{
    // The stamp is taken before the read: a file changed while it is read then fails the check in
    // take() instead of handing out a picture of neither version.
    std::optional<FileStamp> stamp = FileOperations::stamp(path);
    return Fetched{stamp, ReadPicture(path, cancel)};
}

void PicturePrefetcher::prefetch(int side, qsizetype index, const QString &path)
{
    Q_ASSERT(side == 0 || side == 1);
    Slot &slot = m_slots[side];
    if (slot.index == index && slot.path == path)
        return;
    cancel(side);
    slot.index = index;
    slot.path = path;
    slot.cancel = std::make_shared<std::atomic<bool>>(false);
    slot.watcher.setFuture(QtConcurrent::run([path, flag = slot.cancel] {
        return fetch(path, flag.get());
    }));
}

std::optional<Result<DecodedPicture>> PicturePrefetcher::take(int side, qsizetype index, const QString &path)
{
    Slot &slot = m_slots[side];
    const bool match = slot.index == index && slot.path == path && slot.watcher.future().isValid();
    if (!match) {
        invalidate(side);
        return std::nullopt;
    }
    // The read is this step's own now: wait for it rather than cancel it.
    QFuture<Fetched> future = slot.watcher.future();
    slot.cancel.reset();
    invalidate(side);
    Fetched fetched = future.result();
    const std::optional<FileStamp> now = FileOperations::stamp(path);
    const bool unchanged = fetched.stamp.has_value() == now.has_value() && (!now || fetched.stamp->sameContent(*now));
    if (!unchanged)
        return std::nullopt;
    return std::move(fetched.read);
}

void PicturePrefetcher::invalidate(int side)
{
    Slot &slot = m_slots[side];
    cancel(side);
    slot.index = -1;
    slot.path.clear();
    // Frees a finished picture now; a running read goes on but its result is never looked at.
    slot.watcher.setFuture(QFuture<Fetched>());
}

void PicturePrefetcher::clear()
{
    invalidate(0);
    invalidate(1);
}

void PicturePrefetcher::cancel(int side)
{
    if (m_slots[side].cancel)
        m_slots[side].cancel->store(true);
    m_slots[side].cancel.reset();
}

bool PicturePrefetcher::isRunning(int side) const
{
    return m_slots[side].index >= 0 && m_slots[side].watcher.isRunning();
}

void PicturePrefetcher::finished(int side)
{
    // A signal of a read that was replaced meanwhile finds another, still running read here.
    const Slot &slot = m_slots[side];
    if (slot.index >= 0 && slot.watcher.isFinished())
        Q_EMIT prefetched(side, slot.index);
}

} // namespace Duovue
