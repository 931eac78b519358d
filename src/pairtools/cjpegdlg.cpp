#include "pairtools/cjpegdlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QTableView>

#include "pairtools/reportlist.h"

namespace Duovue
{

CJpegDlg::CJpegDlg(MarkerScanResult left, MarkerScanResult right, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CJpegDlg"));
    setWindowTitle(QStringLiteral("JPEGマーカー"));
    const QList<ReportListModel::Column> columns = {
        {QStringLiteral("アドレス"), Qt::AlignHCenter, 65, QStringLiteral("00000000")},
        {QStringLiteral("マーカー"), Qt::AlignHCenter, 65, QStringLiteral("FFD8")},
        {QStringLiteral("説明"), Qt::AlignLeft, 320},
    };
    const QString titles[2] = {QStringLiteral("左の画像"), QStringLiteral("右の画像")};
    auto *grid = new QGridLayout;
    for (int side = 0; side < 2; ++side) {
        const QList<MarkerRow> &rows = side == 0 ? left.rows : right.rows;
        const quint64 omitted = side == 0 ? left.omitted : right.omitted;
        const QString omittedText = omitted == 0
            ? QString()
            : tr("（以下 %1 個のマーカーは表示を省略しました）").arg(QLocale().toString(qulonglong(omitted)));
        auto *model = new ReportListModel(columns,
            static_cast<int>(rows.size() + (omitted > 0 ? 1 : 0)),
            [rows, omittedText](int r, int column, int role) -> QVariant {
                if (role != Qt::DisplayRole)
                    return QVariant();
                if (r == rows.size())
                    return column == 2 ? omittedText : QString();
                const MarkerRow &row = rows.at(r);
                return column == 0 ? row.addressText() : column == 1 ? row.markerText() : row.description();
            });
        QTableView *view = ReportList::create(model, titles[side] + QStringLiteral("のマーカー"), this);
        view->setItemDelegate(new CutOffTipDelegate(view));
        m_lists[side] = view;
        grid->addWidget(new QLabel(titles[side], this), 0, side);
        grid->addWidget(view, 1, side);
    }
    m_close = ReportList::layOutWithCloseButton(this, grid);
    const int listWidth = ReportList::fitColumns(m_lists[0]) + 2 * m_lists[0]->frameWidth() + 20;
    resize(ReportList::dialogSize(this, 549, 234, QSize(2 * listWidth + 40, 0)));
}

} // namespace Duovue
