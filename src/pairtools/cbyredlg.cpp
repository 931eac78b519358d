#include "pairtools/cbyredlg.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "lists/textformats.h"
#include "pairtools/cshowbindlg.h"
#include "pairtools/reportlist.h"
#include "resources/rowimages.h"

namespace Duovue
{

CByReDlg::CByReDlg(QList<DifferenceRun> runs, QWidget *parent)
    : QDialog(parent)
    , m_runs(std::move(runs))
{
    setObjectName(QStringLiteral("CByReDlg"));
    setWindowTitle(QStringLiteral("相違点の表示"));
    const QList<ReportListModel::Column> columns = {
        {QStringLiteral("相違開始アドレス"), Qt::AlignHCenter, 105, QStringLiteral("00000000")},
        {QStringLiteral("相違終了アドレス"), Qt::AlignHCenter, 105, QStringLiteral("00000000")},
        {QStringLiteral("相違サイズ"), Qt::AlignRight, 75, QStringLiteral("1,234,567")},
    };
    const QPixmap blank = RowImages::image(0);
    auto *model = new ReportListModel(
        columns, static_cast<int>(m_runs.size()), [runs = m_runs, blank](int row, int column, int role) -> QVariant {
            const DifferenceRun &run = runs.at(row);
            if (role == Qt::DecorationRole && column == 0)
                return blank;
            if (role != Qt::DisplayRole)
                return QVariant();
            switch (column) {
            case 0:
                return OffsetText(run.start);
            case 1:
                return OffsetText(run.end);
            default:
                return FormatFileSize(run.count);
            }
        });
    m_list = ReportList::create(model, QStringLiteral("相違点の一覧"), this);
    m_show = new QPushButton(QStringLiteral("表示(&S)"), this);
    m_end = new QPushButton(QStringLiteral("終　了(&E)"), this);
    m_show->setDefault(true);
    connect(m_show, &QPushButton::clicked, this, &CByReDlg::showSelectedRun);
    connect(m_end, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_show);
    buttons->addWidget(m_end);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    const int listWidth = ReportList::fitColumns(m_list) + 2 * m_list->frameWidth() + 24;
    resize(ReportList::dialogSize(this, 186, 175, QSize(listWidth + 24, 0)));
}

void CByReDlg::showSelectedRun()
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    int first = rows.first().row();
    for (const QModelIndex &index : rows)
        first = std::min(first, index.row());
    CShowBinDlg dialog(m_runs.at(first).leftText, m_runs.at(first).rightText, this);
    dialog.exec();
}

} // namespace Duovue
