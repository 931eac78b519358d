#include "pairtools/reportlist.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTableView>
#include <QToolTip>

namespace Duovue
{

ReportListModel::ReportListModel(QList<Column> columns, int rowCount, Cell cell, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(std::move(columns))
    , m_rowCount(rowCount)
    , m_cell(std::move(cell))
{
}

int ReportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int ReportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ReportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= m_columns.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[index.column()].alignment | Qt::AlignVCenter);
    return m_cell(index.row(), index.column(), role);
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].alignment | Qt::AlignVCenter);
    return QVariant();
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool CutOffTipDelegate::helpEvent(
    QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    // The text's room is the cell less the frame margins the style draws around it.
    const int room = option.rect.width() - 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    if (!text.isEmpty() && option.fontMetrics.horizontalAdvance(text) > room)
        QToolTip::showText(event->globalPos(), text, view);
    else
        QToolTip::hideText();
    return true;
}

namespace ReportList
{

QTableView *create(ReportListModel *model, const QString &accessibleName, QWidget *parent)
{
    auto *view = new QTableView(parent);
    model->setParent(view);
    view->setModel(model);
    view->setAccessibleName(accessibleName);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->verticalHeader()->hide();
    // Uniform rows: a list of millions of rows must not measure each one.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(false);
    fitColumns(view);
    return view;
}

int fitColumns(QTableView *view)
{
    const auto *model = qobject_cast<const ReportListModel *>(view->model());
    Q_ASSERT(model);
    const QFontMetrics cells = view->fontMetrics();
    const QFontMetrics titles = view->horizontalHeader()->fontMetrics();
    // Room for the cell's margins and, in the first column, a row image.
    const int margin = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 12;
    int total = 0;
    for (int c = 0; c < model->columns().size(); ++c) {
        const ReportListModel::Column &column = model->columns()[c];
        const int needed =
            std::max(cells.horizontalAdvance(column.sample), titles.horizontalAdvance(column.title)) + margin;
        const int width = std::max(column.width, needed);
        view->setColumnWidth(c, width);
        total += width;
    }
    view->verticalHeader()->setDefaultSectionSize(cells.height() + 4);
    return total;
}

QSize dialogUnits(const QWidget *widget, int width, int height)
{
    const QFontMetrics fm = widget->fontMetrics();
    return QSize(width * fm.averageCharWidth() / 4, height * fm.height() / 8);
}

} // namespace ReportList

} // namespace Duovue
