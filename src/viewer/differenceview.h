#pragma once

#include <QImage>
#include <QString>

#include "imaging/picturedifference.h"

namespace Duovue
{

/// What the viewer's difference mode shows for one pair: where the right picture differs from the
/// left one, marked red over a dimmed grey copy of the left picture, with the counts for the status
/// bar. A right picture of another size is scaled to the left one's size first.
///
/// setPictures() does the per-pixel work once (the channel differences and the grey copy); a new
/// tolerance then costs one pass over bytes, so the tolerance slider redraws at once.
///
/// Thread: any; one object per viewer. The pictures it returns belong to the caller.
class DifferenceView
{
public:
    struct Shown {
        QImage picture; // Format_RGB32, the left picture's size
        QImage fitted; // the same reduced to the size asked for, every mark kept; null if none asked
        DifferenceSummary summary;
    };

    /// Prepares the comparison; empty pictures leave nothing to show.
    void setPictures(const QImage &left, const QImage &right);
    void clear();
    bool isReady() const { return !m_differences.isNull(); }
    /// The right picture had another size and was scaled to the left one's.
    bool isFitted() const { return m_fitted; }

    /// The marked picture and its counts at @p tolerance (0..255), with a copy reduced to
    /// @p fittedSize when that is given and smaller than the picture (a pane that fits it in).
    Shown show(int tolerance, QSize fittedSize = QSize());

    /// The status-bar text for @p summary: the differing pixels, their share, the regions and the
    /// tolerance, and when the sizes differed, that the right picture was scaled.
    QString statusText(const DifferenceSummary &summary, int tolerance) const;

private:
    QImage m_differences;
    QImage m_greys;
    QImage m_fittedGreys; // m_greys scaled to the last fitted size asked for
    bool m_fitted = false;
    QSize m_rightSize;
};

} // namespace Duovue
