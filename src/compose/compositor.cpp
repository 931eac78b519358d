#include "compose/compositor.h"

#include <algorithm>
#include <cstring>

#include <QRect>

namespace Duovue
{

namespace
{

QImage scaledLayer(const QImage &picture, QSize size)
{
    const QImage scaled =
        picture.size() == size ? picture : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.format() == QImage::Format_RGB32 ? scaled : scaled.convertToFormat(QImage::Format_RGB32);
}

void composeRows(QImage &out,
    const QImage &left,
    const QImage &right,
    QPoint offset,
    const QRect &overlap,
    CompositeMethod method,
    int ratio,
    int firstRow,
    int endRow)
{
    const int width = left.width();
    const int band = 2 * ratio;
    const std::size_t rowBytes = std::size_t(width) * 4;
    for (int y = firstRow; y < endRow; ++y) {
        const auto *l = reinterpret_cast<const quint32 *>(left.constScanLine(y));
        auto *o = reinterpret_cast<quint32 *>(out.scanLine(y));
        const bool rowSelected = method == CompositeMethod::Columns || y % band >= ratio;
        if (!rowSelected || y < overlap.top() || y > overlap.bottom()) {
            std::memcpy(o, l, rowBytes);
            continue;
        }
        // r[x - offset.x()] is the right pixel under window pixel x.
        const auto *r = reinterpret_cast<const quint32 *>(right.constScanLine(y - offset.y()));
        const int x0 = overlap.left();
        const int x1 = overlap.right() + 1;
        if (method == CompositeMethod::Rows) {
            std::memcpy(o, l, std::size_t(x0) * 4);
            std::memcpy(o + x0, r + (x0 - offset.x()), std::size_t(x1 - x0) * 4);
            std::memcpy(o + x1, l + x1, std::size_t(width - x1) * 4);
            continue;
        }
        std::memcpy(o, l, rowBytes);
        for (int x = x0; x < x1;) {
            const int phase = x % band;
            if (phase < ratio) {
                x += ratio - phase;
                continue;
            }
            const int run = std::min(band - phase, x1 - x);
            std::memcpy(o + x, r + (x - offset.x()), std::size_t(run) * 4);
            x += run;
        }
    }
}

} // namespace

void ComposeInto(
    QImage &out, const QImage &leftLayer, const QImage &rightLayer, QPoint offset, CompositeMethod method, int ratio)
{
    Q_ASSERT(leftLayer.format() == QImage::Format_RGB32 && rightLayer.format() == QImage::Format_RGB32);
    Q_ASSERT(ratio >= 1);
    // A shared image would be copied by the first scanLine() only to be overwritten.
    if (out.size() != leftLayer.size() || out.format() != QImage::Format_RGB32 || !out.isDetached())
        out = QImage(leftLayer.size(), QImage::Format_RGB32);
    if (out.isNull())
        return;
    const QRect overlap = QRect(QPoint(0, 0), leftLayer.size()) & QRect(offset, rightLayer.size());
    composeRows(out, leftLayer, rightLayer, offset, overlap, method, ratio, 0, leftLayer.height());
}

Compositor::Compositor(const QImage &left, const QImage &right, QSize compositeSize)
    : m_leftLayer(scaledLayer(left, compositeSize))
{
    // The right picture is never drawn larger than twice the composite size. Shrinking a large
    // photograph to that once makes every later resize step scale from a few megapixels at most.
    const QSize largest(
        std::min(right.width(), 2 * compositeSize.width()), std::min(right.height(), 2 * compositeSize.height()));
    m_rightPicture = scaledLayer(right, largest);
}

const QImage &Compositor::rightLayer(QSize size)
{
    if (m_rightLayer.size() != size)
        m_rightLayer = scaledLayer(m_rightPicture, size);
    return m_rightLayer;
}

const QImage &Compositor::compose(const CompositeState &state)
{
    Q_ASSERT(state.compositeSize() == m_leftLayer.size());
    ComposeInto(
        m_composite, m_leftLayer, rightLayer(state.rightSize()), state.slideOffset(), state.method(), state.ratio());
    return m_composite;
}

} // namespace Duovue
