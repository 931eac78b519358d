#include "compose/compositestate.h"

#include <algorithm>

#include "core/appsettings.h"
#include "core/settingsstore.h"

namespace Duovue
{

CompositeOptions CompositeOptions::read(const SettingsStore &settings)
{
    CompositeOptions o;
    const int method = settings.value(AppSettings::ComposeMethod());
    o.method = method >= 0 && method <= 2 ? static_cast<CompositeMethod>(method) : CompositeMethod::Rows;
    o.ratio = std::clamp(settings.value(AppSettings::ComposeStep()), MinimumRatio, MaximumRatio);
    o.aspect = settings.value(AppSettings::ComposeAspect()) == 1 ? RightAspect::Original : RightAspect::Free;
    o.quality = std::clamp(settings.value(AppSettings::JpegQuality()), MinimumQuality, MaximumQuality);
    const int width = settings.value(AppSettings::ComposeMaxWidth());
    const int height = settings.value(AppSettings::ComposeMaxHeight());
    o.maximum = QSize(width >= 1 ? width : AppSettings::ComposeMaxWidth().defaultValue,
        height >= 1 ? height : AppSettings::ComposeMaxHeight().defaultValue);
    return o;
}

QSize CompositeSize(QSize picture, QSize maximum)
{
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    const qint64 maxW = maximum.width();
    const qint64 maxH = maximum.height();
    if (w <= maxW && h <= maxH)
        return picture;
    // 64-bit products: a wide panorama against a large limit overflows int.
    if (w * maxH < maxW * h)
        return QSize(int(std::max<qint64>(1, w * maxH / h)), int(maxH));
    return QSize(int(maxW), int(std::max<qint64>(1, maxW * h / w)));
}

CompositeState::CompositeState(QSize leftPicture, QSize rightPicture, const CompositeOptions &options)
    : m_compositeSize(CompositeSize(leftPicture, options.maximum))
    , m_rightPicture(rightPicture)
    , m_method(options.method)
    , m_ratio(std::clamp(options.ratio, CompositeOptions::MinimumRatio, CompositeOptions::MaximumRatio))
    , m_aspect(options.aspect)
{
    Q_ASSERT(!rightPicture.isEmpty());
    updateRightSize();
}

QString CompositeState::caption() const
{
    static const char16_t *const methods[] = {u"横向き - ", u"縦向き - ", u"ドット - "};
    const QString aspect =
        m_aspect == RightAspect::Free ? QStringLiteral("フリー - ") : QStringLiteral("オリジナル - ");
    return QStringLiteral("合成　(") + QString::fromUtf16(methods[int(m_method)]) + aspect
        + QStringLiteral("%1 pixel)").arg(m_ratio);
}

bool CompositeState::setMethod(CompositeMethod method)
{
    if (method == m_method)
        return false;
    m_method = method;
    return true;
}

bool CompositeState::setRatio(int ratio)
{
    Q_ASSERT(ratio >= CompositeOptions::MinimumRatio && ratio <= CompositeOptions::MaximumRatio);
    if (ratio == m_ratio)
        return false;
    m_ratio = ratio;
    return true;
}

bool CompositeState::setAspect(RightAspect aspect)
{
    if (aspect == m_aspect)
        return false;
    m_aspect = aspect;
    m_slide = QPoint(0, 0);
    updateRightSize();
    return true;
}

bool CompositeState::resetSlide()
{
    if (m_slide.isNull())
        return false;
    m_slide = QPoint(0, 0);
    return true;
}

bool CompositeState::resetSize()
{
    if (m_slide.isNull() && m_adjust.isNull())
        return false;
    m_slide = QPoint(0, 0);
    m_adjust = QSize(0, 0);
    updateRightSize();
    return true;
}

void CompositeState::slideByKey(Arrow arrow, HeldArrows held)
{
    QPoint step;
    switch (arrow) {
    case Arrow::Left:
    case Arrow::Right:
        step.setX(arrow == Arrow::Left ? -1 : 1);
        step.setY(held.up ? -1 : held.down ? 1 : 0);
        break;
    case Arrow::Up:
    case Arrow::Down:
        step.setY(arrow == Arrow::Up ? -1 : 1);
        step.setX(held.left ? -1 : held.right ? 1 : 0);
        break;
    }
    slideBy(step);
}

bool CompositeState::resizeByKey(Arrow arrow)
{
    const bool both = m_aspect == RightAspect::Original;
    QSize step(0, 0);
    switch (arrow) {
    case Arrow::Left:
        if (m_rightSize.width() > MinimumRightSize)
            step = QSize(-1, both ? -1 : 0);
        break;
    case Arrow::Up:
        if (m_rightSize.height() > MinimumRightSize)
            step = QSize(both ? -1 : 0, -1);
        break;
    case Arrow::Right:
        if (m_adjust.width() < m_compositeSize.width())
            step = QSize(1, both ? 1 : 0);
        break;
    case Arrow::Down:
        if (m_adjust.height() < m_compositeSize.height())
            step = QSize(both ? 1 : 0, 1);
        break;
    }
    if (step.isNull())
        return false;
    // The side that moves along with the original aspect keeps to the same limits, so the picture
    // never grows past twice the composite size nor its requested size below one pixel.
    const QSize before = m_adjust;
    m_adjust.setWidth(
        std::clamp(m_adjust.width() + step.width(), 1 - m_compositeSize.width(), m_compositeSize.width()));
    m_adjust.setHeight(
        std::clamp(m_adjust.height() + step.height(), 1 - m_compositeSize.height(), m_compositeSize.height()));
    if (m_adjust == before)
        return false;
    updateRightSize();
    return true;
}

void CompositeState::slideBy(QPoint delta)
{
    m_slide += delta;
    keepReachable();
}

bool CompositeState::resizeByMouse(QPoint delta)
{
    const int cw = m_compositeSize.width();
    const int ch = m_compositeSize.height();
    int dw = m_adjust.width();
    int dh = m_adjust.height();
    if (dw >= cw || dh >= ch)
        return false;
    dw += delta.x();
    dh += delta.y();
    if (dw > cw)
        dw = cw - 1;
    if (dh >= ch)
        dh = ch - 1;
    // At the shrinking limit the move is taken back and the picture grows by one pixel instead.
    if (m_rightSize.height() <= MinimumRightSize)
        dh += -delta.y() + 1;
    if (m_rightSize.width() <= MinimumRightSize)
        dw += -delta.x() + 1;
    // A fast drag reports one large move: without a floor it could take the requested size past
    // the shrinking limit to zero or below in a single step.
    dw = std::max(dw, std::min(0, MinimumRightSize - cw));
    dh = std::max(dh, std::min(0, MinimumRightSize - ch));
    if (QSize(dw, dh) == m_adjust)
        return false;
    m_adjust = QSize(dw, dh);
    updateRightSize();
    return true;
}

void CompositeState::keepReachable()
{
    const int rw = m_rightSize.width();
    const int rh = m_rightSize.height();
    if (m_slide.y() < -rh || m_slide.y() > m_compositeSize.height())
        m_slide.setY(m_slide.y() >= 0 ? m_compositeSize.height() : -rh);
    if (m_slide.x() < -rw || m_slide.x() > m_compositeSize.width())
        m_slide.setX(m_slide.x() >= 0 ? m_compositeSize.width() : -rw);
}

void CompositeState::updateRightSize()
{
    const qint64 cw = m_compositeSize.width();
    const qint64 ch = m_compositeSize.height();
    qint64 rw = std::max<qint64>(1, cw + m_adjust.width());
    qint64 rh = std::max<qint64>(1, ch + m_adjust.height());
    if (m_aspect == RightAspect::Original) {
        const qint64 wr = m_rightPicture.width();
        const qint64 hr = m_rightPicture.height();
        // The composite's shape decides which side follows; the requested size gives the scale.
        if (ch * wr < cw * hr)
            rw = std::max<qint64>(1, rh * wr / hr);
        else
            rh = std::max<qint64>(1, rw * hr / wr);
    }
    m_rightSize = QSize(int(rw), int(rh));
}

} // namespace Duovue
