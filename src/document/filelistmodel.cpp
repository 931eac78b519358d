#include "document/filelistmodel.h"

#include <QtGlobal>

#include "core/appstate.h"
#include "lists/columnsort.h"

namespace Duovue
{

FileListModel::FileListModel(AppState &state, int side, QObject *parent)
    : QAbstractTableModel(parent)
    , m_state(state)
    , m_side(side)
{
}

void FileListModel::setRowCount(int count)
{
    beginResetModel();
    m_rowCount = qMax(0, count);
    endResetModel();
}

void FileListModel::syncRowCount()
{
    setRowCount(static_cast<int>(m_state.fileList[m_side].size()));
}

void FileListModel::updateRows(int first, int last)
{
    first = qMax(first, 0);
    last = qMin(last, m_rowCount - 1);
    if (first > last)
        return;
    Q_EMIT dataChanged(index(first, 0), index(last, CMySortStringArray::ColumnCount - 1));
}

void FileListModel::updateAll()
{
    updateRows(0, m_rowCount - 1);
}

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int FileListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : CMySortStringArray::ColumnCount;
}

QString FileListModel::columnTitle(int column)
{
    switch (column) {
    case 0:
        return QStringLiteral("ファイル名");
    case 1:
        return QStringLiteral("フォルダ名");
    case 2:
        return QStringLiteral("作成日時");
    case 3:
        return QStringLiteral("更新日時");
    case 4:
        return QStringLiteral("ファイルサイズ");
    case 5:
        return QStringLiteral("幅");
    case 6:
        return QStringLiteral("高さ");
    }
    return QString();
}

FileListModel::RowImage FileListModel::rowImageFor(const QString &primary, bool resultMode)
{
    const qint64 value = parseNumberText(primary);
    if (resultMode)
        return value < 1 ? CheckedImage : UncheckedImage;
    return value % 2 != 0 ? PositionImage : BlankImage;
}

bool FileListModel::isTinted(const QString &primary)
{
    const qint64 value = parseNumberText(primary);
    const qint64 group = value < 0 ? -value : value;
    return group > 2 && group % 2 == 1;
}

QVariant FileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount)
        return QVariant();
    const FileList &list = m_state.fileList[m_side];
    // The list may have changed since the count was set; such rows read as empty.
    if (index.row() >= list.size())
        return QVariant();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return list.column(column, index.row());
    case Qt::DecorationRole:
        if (column != 0)
            return QVariant();
        return m_rowImages[rowImageFor(list.primary(index.row()), m_state.resultMode)];
    case RowImageRole:
        return int(rowImageFor(list.primary(index.row()), m_state.resultMode));
    case Qt::TextAlignmentRole:
        return int((isNumericColumn(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return isTinted(list.primary(index.row())) ? QVariant(groupTint()) : QVariant();
    default:
        return QVariant();
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= CMySortStringArray::ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return columnTitle(section);
    if (role == Qt::TextAlignmentRole)
        return int((isNumericColumn(section) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return QVariant();
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

} // namespace Duovue
