#include "pairtools/differenceanalysis.h"

#include <array>

#include <QCoreApplication>

#include "lists/textformats.h"

namespace Duovue
{

namespace
{

constexpr int RowCount = 12;

QString numberOrDash(qint64 value, QLatin1String unit)
{
    if (value == 0)
        return QStringLiteral("-");
    QString text = QString::number(value);
    text += unit;
    return text;
}

QString ratioText(const ImageInfo &info)
{
    // A loaded picture never has height 0; should one arrive, there is no ratio to show.
    if (info.height == 0)
        return QStringLiteral("-");
    const float ratio = static_cast<float>(static_cast<double>(info.width) / static_cast<double>(info.height));
    return QString::asprintf("%6.4f", static_cast<double>(ratio));
}

std::array<QString, RowCount> valueTexts(const AnalysisSide &side)
{
    const ImageInfo &info = side.info;
    QString size = FormatFileSize(info.fileSize);
    size += QLatin1String(" byte");
    QString width = QString::number(info.width);
    width += QLatin1String(" pixsel");
    QString height = QString::number(info.height);
    height += QLatin1String(" pixsel");
    return {info.typeText,
        info.exifFlag == 1 ? QStringLiteral("有り") : QStringLiteral("無し"),
        size,
        width,
        height,
        ratioText(info),
        numberOrDash(info.horizontalResolution, QLatin1String(" dpi")),
        numberOrDash(info.verticalResolution, QLatin1String(" dpi")),
        numberOrDash(info.bitDepth, QLatin1String(" bit")),
        side.created,
        side.modified,
        info.jpegQuality.isKnown() ? info.jpegQuality.text() : QStringLiteral("-")};
}

} // namespace

QList<AnalysisRow> AnalyseDifferences(const AnalysisSide &left, const AnalysisSide &right)
{
    static const std::array<QString, RowCount> items = {QStringLiteral("ファイルタイプ"),
        QStringLiteral("Exif情報の有無"),
        QStringLiteral("ファイルサイズ"),
        QStringLiteral("画像サイズ - 幅"),
        QStringLiteral("画像サイズ - 高さ"),
        QStringLiteral("画像サイズ - 比率"),
        QStringLiteral("解像度 - 横密度"),
        QStringLiteral("解像度 - 縦密度"),
        QStringLiteral("ビットの深さ"),
        QStringLiteral("作成日時"),
        QStringLiteral("更新日時"),
        //: Analysis row: the JPEG quality setting estimated from the quantisation tables.
        QCoreApplication::translate("DifferenceAnalysis", "JPEG品質 (推定)")};
    const std::array<QString, RowCount> l = valueTexts(left);
    const std::array<QString, RowCount> r = valueTexts(right);
    QList<AnalysisRow> rows;
    rows.reserve(RowCount);
    for (int i = 0; i < RowCount; ++i) {
        AnalysisRow row;
        row.item = items[i];
        row.left = l[i];
        row.right = r[i];
        row.highlighted = row.left != row.right;
        row.judgement = row.highlighted ? QStringLiteral("×") : QStringLiteral("○");
        rows.append(std::move(row));
    }
    return rows;
}

} // namespace Duovue
