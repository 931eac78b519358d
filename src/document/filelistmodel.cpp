#include "document/filelistmodel.h"

#include <QtGlobal>

#include "core/nativepath.h"
#include "document/cduovuedoc.h"
#include "lists/columnsort.h"

namespace Duovue
{

FileListModel::FileListModel(const CDuovueDoc &document, int side, QObject *parent)
    : QAbstractTableModel(parent)
    , m_document(document)
    , m_side(side)
{
    // Each list signal of this side becomes the model's own; the other side's are not ours.
    connect(&document, &CDuovueDoc::listAboutToBeReset, this, [this](int side) {
        if (side == m_side)
            beginResetModel();
    });
    connect(&document, &CDuovueDoc::listReset, this, [this](int side) {
        if (side == m_side)
            endResetModel();
    });
    connect(&document, &CDuovueDoc::rowsAboutToBeInserted, this, [this](int side, int first, int last) {
        if (side == m_side)
            beginInsertRows(QModelIndex(), first, last);
    });
    connect(&document, &CDuovueDoc::rowsInserted, this, [this](int side) {
        if (side == m_side)
            endInsertRows();
    });
    connect(&document, &CDuovueDoc::rowsAboutToBeRemoved, this, [this](int side, int first, int last) {
        if (side == m_side)
            beginRemoveRows(QModelIndex(), first, last);
    });
    connect(&document, &CDuovueDoc::rowsRemoved, this, [this](int side) {
        if (side == m_side)
            endRemoveRows();
    });
    connect(&document, &CDuovueDoc::rowsChanged, this, [this](int side, int first, int last) {
        if (side == m_side)
            rowsChanged(first, last);
    });
    // The row images depend on the mode.
    connect(&document, &CDuovueDoc::resultModeChanged, this, [this] {
        rowsChanged(0, rowCount() - 1);
    });
}

void FileListModel::rowsChanged(int first, int last)
{
    first = qMax(first, 0);
    last = qMin(last, rowCount() - 1);
    if (first > last)
        return;
    Q_EMIT dataChanged(index(first, 0), index(last, CMySortStringArray::ColumnCount - 1));
}

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_document.fileList(m_side).size());
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
    const FileList &list = m_document.fileList(m_side);
    if (!index.isValid() || index.row() >= list.size())
        return QVariant();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // Names whose bytes are not UTF-8 show those bytes as "\xNN" (the list keeps the bytes).
        return column <= 1 ? NativePath::display(list.column(column, index.row())) : list.column(column, index.row());
    case Qt::EditRole:
        return column == 0 ? QVariant(NativePath::display(list.column(0, index.row()))) : QVariant();
    case Qt::DecorationRole:
        if (column != 0)
            return QVariant();
        return m_rowImages[rowImageFor(list.primary(index.row()), m_document.resultMode())];
    case RowImageRole:
        return int(rowImageFor(list.primary(index.row()), m_document.resultMode()));
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
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    // The file name of a row that names a file can be edited in place; the view hands the new name
    // to the rename command, the model itself never writes the list.
    const FileList &list = m_document.fileList(m_side);
    if (index.column() == 0 && index.row() < list.size() && !list.column(1, index.row()).isEmpty())
        flags |= Qt::ItemIsEditable;
    return flags;
}

} // namespace Duovue
