#pragma once

#include <functional>

#include <QAbstractTableModel>
#include <QList>
#include <QStyledItemDelegate>

class QDialog;
class QLayout;
class QPushButton;
class QTableView;

namespace Duovue
{

/// A read-only report list over rows the dialog already holds: the cells are asked of a function
/// when they are drawn, as an owner-data list does, so a list of millions of rows costs nothing
/// until it is scrolled.
///
/// Thread: GUI thread. The cell function must stay valid while the model lives.
class ReportListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportListModel)

public:
    struct Column {
        QString title;
        Qt::Alignment alignment;
        int width = 100; // pixels
        /// The widest text the column usually holds: the column grows to fit it (and its title)
        /// where the list's font is wider than the one the width was chosen for.
        QString sample = QString();
    };
    /// The data of a cell for a role (display text, colours); an invalid QVariant for none.
    using Cell = std::function<QVariant(int row, int column, int role)>;

    ReportListModel(QList<Column> columns, int rowCount, Cell cell, QObject *parent = nullptr);

    const QList<Column> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QList<Column> m_columns;
    int m_rowCount;
    Cell m_cell;
};

/// Shows a cell's whole text as a tool tip when the column is too narrow for it.
class CutOffTipDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent *event,
        QAbstractItemView *view,
        const QStyleOptionViewItem &option,
        const QModelIndex &index) override;
};

namespace ReportList
{

/// A report-style list over @p model (which it takes into its Qt tree): full-row selection, grid
/// lines, no row header, uniform rows, the model's column widths and header alignments.
/// Call fitColumns() again after changing the view's font.
QTableView *create(ReportListModel *model, const QString &accessibleName, QWidget *parent);

/// Sets each column to its width, or wider where its title or sample text needs more room in the
/// view's font; sets the row height to the font. Returns the total width of the columns.
int fitColumns(QTableView *view);

/// The size for a dialog laid out as @p width x @p height dialog units in @p widget's font (a unit
/// is a quarter of the average width of the Latin letters across and an eighth of the line height
/// down), grown to @p atLeast and kept within the screen's available area.
QSize dialogSize(const QWidget *widget, int width, int height, QSize atLeast);

/// Lays @p dialog out as the pair tools' viewing dialogs are: @p content above, the default button
/// "閉じる(&C)" at the right below it, closing the dialog. Returns the button.
QPushButton *layOutWithCloseButton(QDialog *dialog, QLayout *content);

} // namespace ReportList

} // namespace Duovue
