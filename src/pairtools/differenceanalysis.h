#pragma once

#include <QList>
#include <QString>

#include "imaging/imageinfo.h"

namespace Duovue
{

/// One picture of the pair as the analysis sees it: the pane's information record and the time
/// columns of its list entry as the list holds them now.
struct AnalysisSide {
    ImageInfo info;
    QString created;
    QString modified;
};

/// One row of the analysis table.
struct AnalysisRow {
    QString item;
    QString left;
    QString right;
    QString judgement; // JudgementMark: "○" when the two value texts are equal, else "×"
    bool highlighted = false; // the judgement is "×"
};

/// The rows comparing two pictures: file type, Exif, file size, width, height, ratio, horizontal
/// and vertical resolution, bit depth, created, modified, and the estimated JPEG quality ("75",
/// "約 75", "-" for other formats) that the loader read with the picture. Reads no file.
///
/// Thread: any.
QList<AnalysisRow> AnalyseDifferences(const AnalysisSide &left, const AnalysisSide &right);

} // namespace Duovue
