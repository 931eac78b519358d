#include "search/bitmapkey.h"

#include "search/picturekeys.h"

namespace Duovue
{

BitmapKeyMaker::BitmapKeyMaker(int n, const std::atomic<bool> *cancel, MemoryBudget *budget)
    : m_maker(std::make_unique<PictureKeyMaker>(n, false, cancel, budget))
{
}

BitmapKeyMaker::~BitmapKeyMaker() = default;

BitmapKey BitmapKeyMaker::compute(const QString &path)
{
    return m_maker->compute(path).bitmap;
}

BitmapKey BitmapKeyMaker::computeFromData(const unsigned char *data, std::size_t length)
{
    return m_maker->computeFromData(data, length).bitmap;
}

} // namespace Duovue
