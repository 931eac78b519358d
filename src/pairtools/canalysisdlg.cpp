#include "pairtools/canalysisdlg.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include "pairtools/reportlist.h"

namespace Duovue
{

CAnalysisDlg::CAnalysisDlg(QList<AnalysisRow> rows, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CAnalysisDlg"));
    setWindowTitle(QStringLiteral("解析結果"));
    const QList<ReportListModel::Column> columns = {
        {QStringLiteral("解析項目"), Qt::AlignLeft, 132, QStringLiteral("画像サイズ - 高さ")},
        {QStringLiteral("左の画像"), Qt::AlignHCenter, 158, QStringLiteral("0000/00/00、00:00:00")},
        {QStringLiteral("右の画像"), Qt::AlignHCenter, 158, QStringLiteral("0000/00/00、00:00:00")},
        {QStringLiteral("判定"), Qt::AlignHCenter, 45},
    };
    auto *model =
        new ReportListModel(columns, static_cast<int>(rows.size()), [rows](int r, int column, int role) -> QVariant {
            const AnalysisRow &row = rows.at(r);
            switch (role) {
            case Qt::DisplayRole:
                return column == 0 ? row.item : column == 1 ? row.left : column == 2 ? row.right : row.judgement;
            case Qt::ForegroundRole:
                return row.highlighted ? QVariant(highlightText()) : QVariant();
            case Qt::BackgroundRole:
                return row.highlighted ? QVariant(highlightBackground()) : QVariant();
            default:
                return QVariant();
            }
        });
    m_list = ReportList::create(model, QStringLiteral("解析結果の一覧"), this);
    QFont font(QStringLiteral("Noto Sans CJK JP"), 11);
    m_list->setFont(font);
    m_list->horizontalHeader()->setFont(font);
    const int columnsWidth = ReportList::fitColumns(m_list);
    // Highlighted rows keep their colours when selected; the selection shows as a frame only.
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *content = new QVBoxLayout;
    content->addWidget(m_list);
    m_close = ReportList::layOutWithCloseButton(this, content);
    const int listWidth = columnsWidth + 2 * m_list->frameWidth() + 4;
    const int listHeight = m_list->horizontalHeader()->sizeHint().height()
        + static_cast<int>(rows.size()) * m_list->verticalHeader()->defaultSectionSize() + 2 * m_list->frameWidth();
    resize(ReportList::dialogSize(this, 299, 187, QSize(listWidth + 24, listHeight + 70)));
}

} // namespace Duovue
