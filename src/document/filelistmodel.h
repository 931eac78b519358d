#pragma once

#include <array>

#include <QAbstractTableModel>
#include <QColor>
#include <QVariant>

namespace Duovue
{

class CDuovueDoc;

/// The item model of one side's list: it reads the strings straight from the document's FileList
/// and keeps no copies, as an owner-data list does, and follows the document's list signals, so
/// it is never refreshed by hand. Column c shows column c of the FileList (0 name, 1 folder,
/// 2 created, 3 modified, 4 size, 5 width, 6 height).
///
/// Thread: GUI thread. Does not own the document, which must outlive it.
class FileListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileListModel)

public:
    /// The row image index (0 blank, 1 comparison position, 2 unchecked, 3 checked result row).
    static constexpr int RowImageRole = Qt::UserRole + 1;

    enum RowImage { BlankImage = 0, PositionImage = 1, UncheckedImage = 2, CheckedImage = 3 };

    FileListModel(const CDuovueDoc &document, int side, QObject *parent = nullptr);

    int side() const { return m_side; }

    /// The images shown for RowImage 0..3 (QIcon or QPixmap in a QVariant); none by default.
    void setRowImages(const std::array<QVariant, 4> &images) { m_rowImages = images; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    /// The header text of column @p column.
    static QString columnTitle(int column);
    /// The background of result rows of odd groups from 3 on, so that neighbouring groups alternate.
    static QColor groupTint() { return QColor(250, 230, 255); }
    /// The image of a row with primary string @p primary.
    static RowImage rowImageFor(const QString &primary, bool resultMode);
    /// True when a row with primary string @p primary gets the group tint.
    static bool isTinted(const QString &primary);

private:
    void rowsChanged(int first, int last);

    const CDuovueDoc &m_document;
    int m_side;
    std::array<QVariant, 4> m_rowImages;
};

} // namespace Duovue
