#pragma once

#include <array>

#include <QString>
#include <QStringList>

namespace Duovue
{

/// A list of entries, each one primary string plus seven column strings, kept in eight parallel
/// arrays that every operation changes together.
///
/// For a file list the columns are 0 file name, 1 folder (ending in "/"), 2 created, 3 modified,
/// 4 size, 5 width, 6 height; the primary string is the position mark ("1"/"0") or, while the lists
/// show search results, the group label. The search uses the same class for its working table.
///
/// Thread: not thread-safe; a worker may fill the columns of a row it owns only while no other
/// operation resizes the arrays.
class CMySortStringArray
{
public:
    static constexpr int ColumnCount = 7;

    struct Entry {
        std::array<QString, ColumnCount> columns;
        QString primary;
    };

    /// Returns < 0 when @p a sorts before @p b in the direction @p descending asks for.
    using Comparator = int (*)(QStringView a, QStringView b, bool descending);

    qsizetype size() const { return m_primary.size(); }
    bool isEmpty() const { return m_primary.isEmpty(); }

    const QString &primary(qsizetype i) const { return m_primary.at(i); }
    /// Every primary string, in list order.
    const QStringList &primaries() const { return m_primary; }
    void setPrimary(qsizetype i, const QString &text) { m_primary[i] = text; }
    const QString &column(int col, qsizetype i) const { return m_columns[col].at(i); }
    void setColumn(int col, qsizetype i, const QString &text) { m_columns[col][i] = text; }

    /// The full path of entry @p i: its folder column followed by its name column.
    QString fullPath(qsizetype i) const { return m_columns[1].at(i) + m_columns[0].at(i); }

    Entry entry(qsizetype i) const;
    void append(const Entry &entry);
    void append(Entry &&entry);
    /// Appends every entry of @p other, in order.
    void append(const CMySortStringArray &other);
    void insert(qsizetype i, const Entry &entry);
    void set(qsizetype i, const Entry &entry);
    void removeAt(qsizetype i);
    /// Removes the @p n entries from index @p i on.
    void remove(qsizetype i, qsizetype n);
    /// Keeps the first @p n entries.
    void truncate(qsizetype n);
    /// Grows with empty entries or cuts to @p n entries.
    void resize(qsizetype n);
    void clear();
    void reserve(qsizetype n);
    void swapEntries(qsizetype i, qsizetype j);

    /// In-place quicksort of entries low..high (inclusive) by column @p col (-1 sorts by the primary
    /// strings), taking the middle entry of each range as pivot. Not stable.
    void sort(Comparator compare, qsizetype low, qsizetype high, int col, bool descending);
    void sortAll(Comparator compare, int col, bool descending);

private:
    const QStringList &keyArray(int col) const { return col < 0 ? m_primary : m_columns[col]; }

    QStringList m_primary;
    std::array<QStringList, ColumnCount> m_columns;
};

using FileList = CMySortStringArray;

/// Text order: plain string comparison, case-sensitive; negated when @p descending.
int TextColumnCompare(QStringView a, QStringView b, bool descending);

/// Number order of texts such as "1,234": commas removed, leading signed digits read as a 64-bit
/// integer (no digits read as 0). Without @p descending the larger number sorts first.
int NumericColumnCompare(QStringView a, QStringView b, bool descending);

/// Leading signed decimal digits of @p text after every "," is removed; 0 when there are none.
qint64 parseNumberText(QStringView text);

} // namespace Duovue
