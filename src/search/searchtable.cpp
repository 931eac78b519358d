#include "search/searchtable.h"

#include <algorithm>

#include "lists/textformats.h"

namespace Duovue::SearchGrouping
{

namespace
{

FileList::Entry resultRow(const SearchRow &row, const QString &label)
{
    FileList::Entry entry;
    entry.primary = label;
    // Numbers become the list's texts only here, on their way out.
    entry.columns = {row.name,
        row.folder,
        row.created,
        row.modified,
        FormatFileSize(row.size),
        row.width > 0 ? FormatFileSize(quint64(row.width)) : QString(),
        row.height > 0 ? FormatFileSize(quint64(row.height)) : QString()};
    return entry;
}

} // namespace

GroupingResult group(
    const SearchTable &table, const std::atomic<bool> *abort, const std::function<void(int, int)> &progress)
{
    GroupingResult result;
    const int count = static_cast<int>(table.size());
    if (count < 2)
        return result;

    // Rows are sorted through their indices: moving whole rows would cost a second table's worth
    // of memory at a hundred thousand files.
    std::vector<int> sorted(table.size());
    for (int i = 0; i < count; ++i)
        sorted[std::size_t(i)] = i;
    auto at = [&](int k) -> const SearchRow & {
        return table[std::size_t(sorted[std::size_t(k)])];
    };
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        const SearchRow &x = table[std::size_t(a)];
        const SearchRow &y = table[std::size_t(b)];
        const int c = TextColumnCompare(x.key, y.key, true);
        return c != 0 ? c < 0 : x.order != y.order ? x.order < y.order : a < b;
    });

    // The rows of the result with their labels, collected first so that the result is allocated once.
    std::vector<std::pair<int, int>> members; // row index, label
    int label = 1;
    for (int i = 0; i < count;) {
        int end = i + 1;
        while (end < count && at(end).key == at(i).key)
            ++end;
        if (!at(i).key.isEmpty() && end - i >= 2) {
            // Split the run of equal keys by identity, each part keeping its table order; parts
            // come out in the order their first rows stand.
            std::vector<bool> taken(std::size_t(end - i), false);
            for (int a = i; a < end; ++a) {
                if (taken[std::size_t(a - i)])
                    continue;
                std::vector<int> part{a};
                for (int b = a + 1; b < end; ++b) {
                    if (!taken[std::size_t(b - i)] && at(b).identity == at(a).identity) {
                        part.push_back(b);
                        taken[std::size_t(b - i)] = true;
                    }
                }
                if (part.size() < 2)
                    continue;
                ++label;
                for (int m : part)
                    members.emplace_back(sorted[std::size_t(m)], label);
            }
        }
        i = end;
        if (progress)
            progress(std::min(i + 1, count), count);
        if (abort && abort->load(std::memory_order_relaxed) && i < count) {
            result.aborted = true;
            break;
        }
    }
    result.groups = label - 1;

    result.rows.reserve(members.size());
    QString text;
    int textLabel = 0;
    for (const auto &[index, rowLabel] : members) {
        if (rowLabel != textLabel) {
            text = QString::number(rowLabel);
            textLabel = rowLabel;
        }
        result.rows.push_back(resultRow(table[std::size_t(index)], text));
    }
    return result;
}

GroupingResult groupSimilar(const SearchTable &table,
    const std::vector<SimilarDescriptor> &descriptors,
    const std::vector<int> &rows,
    const SimilarOptions &options,
    const std::atomic<bool> *abort,
    const std::function<void(int, int)> &progress)
{
    Q_ASSERT(descriptors.size() == rows.size());
    GroupingResult result;
    // Progress in rows of the table, as the other methods count it, so that it ends at count/count.
    const int count = static_cast<int>(table.size());
    const SimilarMatch::Groups found = SimilarMatch::findGroups(descriptors, options, abort, [&](int done, int total) {
        if (progress)
            progress(total > 0 ? static_cast<int>(qint64(done) * count / total) : count, count);
    });
    result.aborted = found.aborted;
    for (const std::vector<int> &group : found.groups) {
        const QString label = QString::number(++result.groups + 1);
        for (int m : group)
            result.rows.push_back(resultRow(table[std::size_t(rows[std::size_t(m)])], label));
    }
    return result;
}

void appendToLists(const std::vector<FileList::Entry> &rows, FileList &left, FileList &right)
{
    left.reserve(left.size() + static_cast<qsizetype>(rows.size()));
    right.reserve(right.size() + static_cast<qsizetype>(rows.size()));
    for (const FileList::Entry &e : rows) {
        left.append(e);
        right.append(e);
    }
}

} // namespace Duovue::SearchGrouping
