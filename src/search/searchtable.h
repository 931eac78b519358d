#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "lists/cmysortstringarray.h"
#include "search/similarmatch.h"

namespace Duovue
{

/// One gathered file of a search: the texts its result row will show, its key and what must also
/// be equal for two files with the same key to be duplicates.
struct SearchRow {
    QString name; // file name with extension
    QString key; // "%08X", or empty when it could not be computed (never joins a group)
    QString folder; // ends with "/"
    QString created; // FormatFileTime
    QString modified;
    quint64 size = 0; // bytes
    qint32 width = 0; // pixels, bitmap method only; 0 when not known
    qint32 height = 0;
    /// Equal keys are not enough: a CRC-32 collision would put different files into one group and
    /// the checking rules would then offer one of them for deletion. Rows group only when this is
    /// equal too: the thumbnail bytes in the bitmap method, the identical-content set in the hash
    /// method.
    QByteArray identity;
    int order = 0; // walk order, keeps results stable
};

/// The working table of one search: one row per gathered file.
using SearchTable = std::vector<SearchRow>;

/// What the comparison phase produced.
struct GroupingResult {
    int groups = 0;
    std::vector<FileList::Entry> rows; // result rows: primary = group label, columns 0..6
    bool aborted = false;
};

namespace SearchGrouping
{

/// Orders the rows of @p table by key, descending (empty keys last, equal keys in walk order), and
/// turns every run of two or more rows with the same non-empty key and the same identity into one
/// group, labelled from "2" in output order. The table itself is left as it is. @p abort is polled
/// after each run, so no group is cut. @p progress receives (rows scanned, row count).
GroupingResult group(const SearchTable &table,
    const std::atomic<bool> *abort = nullptr,
    const std::function<void(int done, int total)> &progress = {});

/// The similar method's comparison: @p descriptors[i] belongs to row @p rows[i] of @p table (table
/// order). Every group of pictures that SimilarMatch finds to be the same picture becomes one
/// group, its rows in table order, the groups in the order of their first rows, labelled from "2".
/// @p abort is polled between pictures.
GroupingResult groupSimilar(const SearchTable &table,
    const std::vector<SimilarDescriptor> &descriptors,
    const std::vector<int> &rows,
    const SimilarOptions &options,
    const std::atomic<bool> *abort = nullptr,
    const std::function<void(int done, int total)> &progress = {});

/// Appends @p rows to both lists (each side gets the same rows at the same indices).
void appendToLists(const std::vector<FileList::Entry> &rows, FileList &left, FileList &right);

} // namespace SearchGrouping

} // namespace Duovue
