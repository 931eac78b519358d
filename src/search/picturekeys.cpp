#include "search/picturekeys.h"

#include "search/crc32.h"

namespace Duovue
{

namespace
{

DecodeOptions optionsFor(const std::atomic<bool> *cancel, MemoryBudget *budget)
{
    DecodeOptions options;
    options.cancel = cancel;
    options.budget = budget;
    return options;
}

/// Hands every decoded row to up to two sinks.
class Fanout final : public PictureSink
{
public:
    Fanout(PictureSink *first, PictureSink *second)
        : m_first(first)
        , m_second(second)
    {
    }

    qint64 bytesFor(int width, int height) const override
    {
        return (m_first ? m_first->bytesFor(width, height) : 0) + (m_second ? m_second->bytesFor(width, height) : 0);
    }
    bool begin(int width, int height) override
    {
        return (!m_first || m_first->begin(width, height)) && (!m_second || m_second->begin(width, height));
    }
    void addRow(int y, const unsigned char *pixels, PixelFormat format) override
    {
        if (m_first)
            m_first->addRow(y, pixels, format);
        if (m_second)
            m_second->addRow(y, pixels, format);
    }

private:
    PictureSink *m_first;
    PictureSink *m_second;
};

} // namespace

PictureKeyMaker::PictureKeyMaker(
    int reductionSize, bool similar, const std::atomic<bool> *cancel, MemoryBudget *budget, bool everyPrecision)
    : m_decoder(optionsFor(cancel, budget))
    , m_reductionSize(reductionSize)
{
    if (reductionSize > 0 && everyPrecision && ThumbnailSet::covers(reductionSize))
        m_every.emplace();
    else if (reductionSize > 0)
        m_bitmap.emplace(reductionSize);
    if (similar)
        m_similar.emplace(SimilarDescriptor::Side);
}

PictureSink *PictureKeyMaker::bitmapSink()
{
    if (m_every)
        return &*m_every;
    return m_bitmap ? &*m_bitmap : nullptr;
}

PictureKeys PictureKeyMaker::compute(const QString &path)
{
    Fanout sink(bitmapSink(), m_similar ? &*m_similar : nullptr);
    return keysFrom(m_decoder.decodeFile(path, sink));
}

PictureKeys PictureKeyMaker::computeFromData(const unsigned char *data, std::size_t length)
{
    Fanout sink(bitmapSink(), m_similar ? &*m_similar : nullptr);
    return keysFrom(m_decoder.decodeData(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length)), sink));
}

PictureKeys PictureKeyMaker::keysFrom(const DecodeResult &decoded) const
{
    PictureKeys keys;
    BitmapKey &key = keys.bitmap;
    if (!decoded.ok())
        keys.failure = decoded.reason;
    switch (decoded.status) {
    case DecodeResult::Status::Ok:
        key.outcome = BitmapKey::Outcome::Ok;
        key.width = decoded.width;
        key.height = decoded.height;
        if (m_every) {
            keys.thumbnails = m_every->result();
            key = keys.thumbnails.key(m_reductionSize, decoded.width, decoded.height);
        } else if (m_bitmap) {
            key.thumbnail = m_bitmap->thumbnail();
            key.key = Crc32::keyText(Crc32::of(key.thumbnail));
        }
        if (m_similar)
            keys.similar = SimilarDescriptor::fromReduction(*m_similar, decoded.width, decoded.height);
        keys.settled = true;
        break;
    case DecodeResult::Status::NotPicture:
    case DecodeResult::Status::Truncated:
    case DecodeResult::Status::Corrupt:
    case DecodeResult::Status::TooManyScans:
        key.outcome = BitmapKey::Outcome::Undecodable;
        keys.settled = true;
        break;
    case DecodeResult::Status::Cancelled:
        key.outcome = BitmapKey::Outcome::Cancelled;
        break;
    case DecodeResult::Status::NotFound:
    case DecodeResult::Status::AccessDenied:
    case DecodeResult::Status::ReadFailed:
        key.outcome = BitmapKey::Outcome::Unreadable;
        break;
    case DecodeResult::Status::TooLarge: // also "out of memory", which may pass
        key.outcome = BitmapKey::Outcome::Undecodable;
        break;
    }
    return keys;
}

} // namespace Duovue
