#include "pairtools/reportlist.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

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
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // The room the style gives the text: its text rectangle less the margins it keeps inside.
    const QStyle *style = view->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view).width() - 2 * margin;
    const QString text = item.text;
    // Measured as the style lays text out, in fractions of a pixel: a rounded width can look as if
    // it fitted when the drawn text was elided.
    if (!text.isEmpty() && QFontMetricsF(item.font).horizontalAdvance(text) > room)
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

QSize dialogSize(const QWidget *widget, int width, int height, QSize atLeast)
{
    // The average of the Latin letters, as the home platform measures its dialog units; the
    // font's own average counts the wide CJK glyphs and would blow every dialog up.
    const QFontMetrics fm = widget->fontMetrics();
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int across = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
    QSize size = QSize(width * across / 4, height * fm.height() / 8).expandedTo(atLeast);
    if (const QScreen *screen = widget->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    return size;
}

QPushButton *layOutWithCloseButton(QDialog *dialog, QLayout *content)
{
    auto *close = new QPushButton(QStringLiteral("閉じる(&C)"), dialog);
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(content, 1);
    layout->addLayout(buttons);
    return close;
}

} // namespace ReportList

} // namespace Duovue
