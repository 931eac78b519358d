#include "search/searchtable.h"

#include <algorithm>

namespace Duovue::SearchGrouping
{

namespace
{

FileList::Entry resultRow(const SearchRow &row, const QString &label)
{
    FileList::Entry entry;
    entry.primary = label;
    entry.columns = {row.name, row.folder, row.created, row.modified, row.size, row.width, row.height};
    return entry;
}

} // namespace

GroupingResult group(SearchTable &table, const std::atomic<bool> *abort, const std::function<void(int, int)> &progress)
{
    GroupingResult result;
    const int count = static_cast<int>(table.size());
    if (count < 2)
        return result;

    std::stable_sort(table.begin(), table.end(), [](const SearchRow &a, const SearchRow &b) {
        const int c = TextColumnCompare(a.key, b.key, true);
        return c != 0 ? c < 0 : a.order < b.order;
    });

    int label = 1;
    for (int i = 0; i < count;) {
        int end = i + 1;
        while (end < count && table[std::size_t(end)].key == table[std::size_t(i)].key)
            ++end;
        if (!table[std::size_t(i)].key.isEmpty() && end - i >= 2) {
            // Split the run of equal keys by identity, each part keeping its table order; parts
            // come out in the order their first rows stand.
            std::vector<bool> taken(std::size_t(end - i), false);
            for (int a = i; a < end; ++a) {
                if (taken[std::size_t(a - i)])
                    continue;
                std::vector<int> members{a};
                for (int b = a + 1; b < end; ++b) {
                    if (!taken[std::size_t(b - i)]
                        && table[std::size_t(b)].identity == table[std::size_t(a)].identity) {
                        members.push_back(b);
                        taken[std::size_t(b - i)] = true;
                    }
                }
                if (members.size() < 2)
                    continue;
                ++label;
                const QString text = QString::number(label);
                for (int m : members)
                    result.rows.push_back(resultRow(table[std::size_t(m)], text));
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
