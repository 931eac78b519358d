#include "viewer/differenceview.h"

#include <QCoreApplication>
#include <QLocale>

namespace Duovue
{

void DifferenceView::setPictures(const QImage &left, const QImage &right)
{
    clear();
    if (left.isNull() || right.isNull())
        return;
    m_fitted = left.size() != right.size();
    m_rightSize = right.size();
    m_differences = PictureDifference::channelDifferences(left, PictureDifference::fittedTo(right, left.size()));
    m_greys = PictureDifference::dimmedGreys(left);
    if (m_greys.isNull())
        m_differences = QImage();
}

void DifferenceView::clear()
{
    m_differences = QImage();
    m_greys = QImage();
    m_fittedGreys = QImage();
    m_fitted = false;
    m_rightSize = QSize();
}

DifferenceView::Shown DifferenceView::show(int tolerance, QSize fittedSize)
{
    if (!isReady())
        return {};
    Shown shown{PictureDifference::marked(m_greys, m_differences, tolerance),
        QImage(),
        PictureDifference::summarise(m_differences, tolerance)};
    if (fittedSize.isValid() && fittedSize.width() < m_greys.width() && fittedSize.height() < m_greys.height()) {
        // The grey copy changes only with the pictures and the pane's size, not with the tolerance.
        if (m_fittedGreys.size() != fittedSize)
            m_fittedGreys = m_greys.scaled(fittedSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        shown.fitted = PictureDifference::markedFitted(m_fittedGreys, m_differences, tolerance);
    }
    return shown;
}

QString DifferenceView::statusText(const DifferenceSummary &summary, int tolerance) const
{
    const QLocale locale;
    //: Status bar of the difference view: differing pixels, their percentage, regions, tolerance.
    QString text = QCoreApplication::translate("DifferenceView", "差分 %1 画素 (%2%)　領域 %3　許容値 %4")
                       .arg(locale.toString(summary.differingPixels),
                           locale.toString(summary.share() * 100.0, 'f', 2),
                           locale.toString(summary.regionCount),
                           locale.toString(tolerance));
    if (m_fitted) {
        text += QStringLiteral("　");
        //: The right picture (its size given) was scaled to the left picture's size for the comparison.
        text += QCoreApplication::translate("DifferenceView", "右の画像 (%1 x %2) を左の大きさに合わせて比較")
                    .arg(m_rightSize.width())
                    .arg(m_rightSize.height());
    }
    return text;
}

} // namespace Duovue
