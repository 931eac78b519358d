#include "search/bitmapkey.h"

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

} // namespace

BitmapKeyMaker::BitmapKeyMaker(int n, const std::atomic<bool> *cancel, MemoryBudget *budget)
    : m_decoder(optionsFor(cancel, budget))
    , m_reducer(n)
{
}

BitmapKey BitmapKeyMaker::compute(const QString &path)
{
    return keyFrom(m_decoder.decodeFile(path, m_reducer));
}

BitmapKey BitmapKeyMaker::computeFromData(const unsigned char *data, std::size_t length)
{
    return keyFrom(m_decoder.decodeData(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length)), m_reducer));
}

BitmapKey BitmapKeyMaker::keyFrom(const DecodeResult &decoded) const
{
    BitmapKey key;
    switch (decoded.status) {
    case DecodeResult::Status::Ok:
        key.outcome = BitmapKey::Outcome::Ok;
        key.width = decoded.width;
        key.height = decoded.height;
        key.thumbnail = m_reducer.thumbnail();
        key.key = Crc32::keyText(Crc32::of(key.thumbnail));
        break;
    case DecodeResult::Status::Cancelled:
        key.outcome = BitmapKey::Outcome::Cancelled;
        break;
    case DecodeResult::Status::NotFound:
    case DecodeResult::Status::AccessDenied:
    case DecodeResult::Status::ReadFailed:
        key.outcome = BitmapKey::Outcome::Unreadable;
        break;
    default:
        key.outcome = BitmapKey::Outcome::Undecodable;
        break;
    }
    return key;
}

} // namespace Duovue
