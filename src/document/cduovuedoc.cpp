#include "document/cduovuedoc.h"

#include <algorithm>
#include <utility>

#include <QFileInfo>

#include "lists/columnsort.h"
#include "lists/dragreorder.h"
#include "lists/listedits.h"
#include "lists/positionmark.h"
#include "lists/resultchecks.h"
#include "search/checkrules.h"
#include "search/searchresults.h"

namespace Duovue
{

namespace
{

const QString MarkText = QStringLiteral("1");
const QString ResultMark = QStringLiteral("※比較モード");

// Ascending, distinct, inside a list of @p count rows.
QList<int> validRows(QList<int> rows, qsizetype count)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([count](int r) {
        return r < 0 || r >= count;
    });
    return rows;
}

} // namespace

CDuovueDoc::CDuovueDoc(QObject *parent)
    : QObject(parent)
{
}

CDuovueDoc::~CDuovueDoc() = default;

const FileList &CDuovueDoc::fileList(int side) const
{
    Q_ASSERT(side >= 0 && side < SideCount);
    return m_lists[side];
}

int CDuovueDoc::position(int side) const
{
    Q_ASSERT(side >= 0 && side < SideCount);
    return m_positions[side];
}

const PaneContent &CDuovueDoc::pane(int pane) const
{
    Q_ASSERT(pane >= 0 && pane < PaneCount);
    return m_panes[pane];
}

const PaneContent &CDuovueDoc::pairPane(int side) const
{
    Q_ASSERT(side >= 0 && side < SideCount);
    return m_panes[m_activePair + side];
}

bool CDuovueDoc::isPairLoaded() const
{
    return pairPane(0).loadSucceeded && pairPane(1).loadSucceeded;
}

QString CDuovueDoc::title() const
{
    return m_path.isEmpty() ? QStringLiteral("無題") : QFileInfo(m_path).fileName();
}

QString CDuovueDoc::windowTitle() const
{
    QString text = title() + QStringLiteral(" - Duovue");
    if (m_resultMode && !text.contains(ResultMark))
        text += QLatin1Char(' ') + ResultMark;
    return text;
}

bool CDuovueDoc::isRow(int side, int row) const
{
    return row >= 0 && row < m_lists[side].size();
}

void CDuovueDoc::resetList(int side, FileList list)
{
    Q_EMIT listAboutToBeReset(side);
    m_lists[side] = std::move(list);
    Q_EMIT listReset(side);
    markModified();
}

void CDuovueDoc::storePosition(int side, int position)
{
    if (std::exchange(m_positions[side], position) == position)
        return;
    Q_EMIT positionChanged(side, position);
    markModified();
}

void CDuovueDoc::moveMark(int side, int oldIndex)
{
    int position = m_positions[side];
    MoveMark(m_lists[side], position, oldIndex);
    if (isRow(side, oldIndex) && oldIndex != position)
        Q_EMIT rowsChanged(side, oldIndex, oldIndex);
    Q_EMIT rowsChanged(side, position, position);
    markModified();
    storePosition(side, position);
}

void CDuovueDoc::newDocument()
{
    for (int side = 0; side < SideCount; ++side) {
        if (!m_lists[side].isEmpty())
            resetList(side, FileList());
        clearPane(side);
        storePosition(side, 0);
    }
    setDimensionColumnsShown(false);
    setResultMode(false);
    setPath(QString());
    setModified(false);
}

void CDuovueDoc::loadLists(std::array<FileList, 2> lists, std::array<int, 2> positions, bool resultMode)
{
    setResultMode(resultMode);
    for (int side = 0; side < SideCount; ++side) {
        clearPane(side);
        FileList &list = lists[side];
        if (!resultMode)
            MoveMark(list, positions[side], 0);
        resetList(side, std::move(list));
        storePosition(side, positions[side]);
    }
    setDimensionColumnsShown(resultMode);
}

void CDuovueDoc::setPath(const QString &path)
{
    if (std::exchange(m_path, path) != path)
        Q_EMIT titleChanged(windowTitle());
}

void CDuovueDoc::markModified()
{
    setModified(true);
}

void CDuovueDoc::setModified(bool modified)
{
    if (std::exchange(m_modified, modified) != modified)
        Q_EMIT modifiedChanged(modified);
}

void CDuovueDoc::clearSide(int side)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    if (!m_lists[side].isEmpty())
        resetList(side, FileList());
    storePosition(side, 0);
    clearPane(side);
}

void CDuovueDoc::appendEntries(int side, FileList entries)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    FileList &list = m_lists[side];
    if (!entries.isEmpty()) {
        const int first = static_cast<int>(list.size());
        Q_EMIT rowsAboutToBeInserted(side, first, first + static_cast<int>(entries.size()) - 1);
        if (list.isEmpty())
            list = std::move(entries);
        else
            list.append(entries);
        Q_EMIT rowsInserted(side, first, static_cast<int>(list.size()) - 1);
        markModified();
    }
    if (!m_resultMode && !list.isEmpty())
        moveMark(side, 0);
}

void CDuovueDoc::removeRows(int side, QList<int> rows)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    rows = validRows(std::move(rows), m_lists[side].size());
    // From the end, one run of neighbouring rows at a time, so the indices still ahead stay valid.
    for (qsizetype end = rows.size(); end > 0;) {
        qsizetype start = end - 1;
        while (start > 0 && rows[start - 1] == rows[start] - 1)
            --start;
        const int first = rows[start];
        const int last = rows[end - 1];
        Q_EMIT rowsAboutToBeRemoved(side, first, last);
        m_lists[side].remove(first, last - first + 1);
        Q_EMIT rowsRemoved(side, first, last);
        markModified();
        end = start;
    }
}

int CDuovueDoc::moveRows(int side, QList<int> rows, int insertionIndex)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    const int first = DragReorder::drop(m_lists[side], std::move(rows), insertionIndex);
    if (first >= 0) {
        Q_EMIT rowsChanged(side, 0, static_cast<int>(m_lists[side].size()) - 1);
        markModified();
    }
    return first;
}

bool CDuovueDoc::sortRows(int side, int column, bool descending)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    if (m_resultMode || !SortByColumn(m_lists[side], column, descending))
        return false;
    Q_EMIT rowsChanged(side, 0, static_cast<int>(m_lists[side].size()) - 1);
    markModified();
    return true;
}

void CDuovueDoc::setEntry(int side, int row, const FileList::Entry &entry)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    if (!isRow(side, row))
        return;
    m_lists[side].set(row, entry);
    Q_EMIT rowsChanged(side, row, row);
    markModified();
}

void CDuovueDoc::markMissing(int side, int row)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    if (!isRow(side, row))
        return;
    FileList &list = m_lists[side];
    list.setColumn(0, row, QStringLiteral("ファイルがありません"));
    for (int column : {1, 2, 3})
        list.setColumn(column, row, QString());
    Q_EMIT rowsChanged(side, row, row);
    markModified();
}

void CDuovueDoc::setPosition(int side, int position)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    const FileList &list = m_lists[side];
    if (list.isEmpty())
        return;
    position = std::clamp(position, 0, static_cast<int>(list.size()) - 1);
    if (m_resultMode) {
        storePosition(side, position);
        return;
    }
    // The mark leaves the row that carries it, which after a sort need not be the old position.
    int marked = m_positions[side];
    if (!isRow(side, marked) || list.primary(marked) != MarkText)
        marked = static_cast<int>(list.primaries().indexOf(MarkText));
    storePosition(side, position);
    moveMark(side, marked);
}

void CDuovueDoc::applySearchResults(const std::vector<FileList::Entry> &rows)
{
    if (rows.empty())
        return;
    for (int side = 0; side < SideCount; ++side) {
        FileList &list = m_lists[side];
        const int first = static_cast<int>(list.size());
        Q_EMIT rowsAboutToBeInserted(side, first, first + static_cast<int>(rows.size()) - 1);
        list.reserve(list.size() + static_cast<qsizetype>(rows.size()));
        for (const FileList::Entry &e : rows)
            list.append(e);
        Q_EMIT rowsInserted(side, first, static_cast<int>(list.size()) - 1);
        markModified();
    }
    setResultMode(true);
}

SearchResults::Applied CDuovueDoc::applySearchResults(const GroupingResult &grouping, SearchMethod method)
{
    const SearchResults::Applied applied = SearchResults::summarize(grouping, method);
    applySearchResults(grouping.rows);
    if (applied.columns != SearchResults::SizeColumns::Keep)
        setDimensionColumnsShown(applied.columns == SearchResults::SizeColumns::Show);
    return applied;
}

void CDuovueDoc::setResultMode(bool on)
{
    if (std::exchange(m_resultMode, on) == on)
        return;
    Q_EMIT resultModeChanged(on);
    markModified();
    Q_EMIT titleChanged(windowTitle());
}

void CDuovueDoc::setDimensionColumnsShown(bool shown)
{
    if (std::exchange(m_dimensionColumns, shown) != shown)
        Q_EMIT dimensionColumnsChanged(shown);
}

void CDuovueDoc::toggleChecks(QList<int> rows)
{
    for (int side = 0; side < SideCount; ++side) {
        FileList &list = m_lists[side];
        const QList<int> valid = validRows(rows, list.size());
        if (valid.isEmpty())
            continue;
        for (int row : valid)
            list.setPrimary(row, ResultChecks::toggled(list.primary(row)));
        Q_EMIT rowsChanged(side, valid.first(), valid.last());
        markModified();
    }
}

void CDuovueDoc::setGroupLabels(const QStringList &labels)
{
    for (int side = 0; side < SideCount; ++side) {
        FileList &list = m_lists[side];
        int first = -1;
        int last = -1;
        const qsizetype count = std::min(list.size(), labels.size());
        for (qsizetype i = 0; i < count; ++i) {
            if (list.primary(i) == labels.at(i))
                continue;
            list.setPrimary(i, labels.at(i));
            if (first < 0)
                first = static_cast<int>(i);
            last = static_cast<int>(i);
        }
        if (first >= 0) {
            Q_EMIT rowsChanged(side, first, last);
            markModified();
        }
    }
}

void CDuovueDoc::applyCheckRule(int rule)
{
    // The rules read the left list's values and mark the same rows in both lists.
    FileList left = m_lists[0];
    FileList right = m_lists[1];
    CheckRules::apply(rule, left, right);
    setGroupLabels(left.primaries());
}

Result<LoadOutcome> CDuovueDoc::loadPicture(int pane, int index)
{
    if (pane < 0 || pane >= PaneCount)
        return Error{Error::Code::InvalidArgument, QStringLiteral("no picture pane %1").arg(pane)};
    if (!isRow(pane % 2, index))
        return Error{Error::Code::InvalidArgument, QStringLiteral("no list entry %1").arg(index)};
    return applyPictureLoad(pane, index, ReadPicture(m_lists[pane % 2].fullPath(index)));
}

LoadOutcome CDuovueDoc::applyPictureLoad(int pane, int index, Result<DecodedPicture> read)
{
    Q_ASSERT(pane >= 0 && pane < PaneCount);
    const LoadOutcome outcome = ApplyPictureLoad(m_panes[pane], index, std::move(read));
    if (outcome == LoadOutcome::MissingFile)
        markMissing(pane % 2, index);
    Q_EMIT paneChanged(pane);
    return outcome;
}

void CDuovueDoc::clearPane(int pane)
{
    Q_ASSERT(pane >= 0 && pane < PaneCount);
    m_panes[pane].clearPicture();
    Q_EMIT paneChanged(pane);
}

void CDuovueDoc::setPanePicture(int pane, const QImage &picture)
{
    Q_ASSERT(pane >= 0 && pane < PaneCount);
    if (m_panes[pane].picture.isNull() || picture.isNull())
        return;
    m_panes[pane].picture = picture;
    Q_EMIT paneChanged(pane);
}

void CDuovueDoc::setActivePair(int firstPane)
{
    Q_ASSERT(firstPane == 0 || firstPane == 2);
    if (std::exchange(m_activePair, firstPane) != firstPane)
        Q_EMIT activePairChanged(firstPane);
}

void CDuovueDoc::removeListRows(int side, QList<int> rows)
{
    removeListRows(side, std::move(rows), RemovedPosition::ToTop);
}

void CDuovueDoc::removePositionEntry(int side)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    removeListRows(side, {m_positions[side]}, RemovedPosition::StaysAtIndex);
}

void CDuovueDoc::removeListRows(int side, QList<int> rows, RemovedPosition removedPosition)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    const QList<int> sides = m_resultMode ? QList<int>{side, 1 - side} : QList<int>{side};
    std::array<int, SideCount> positions = m_positions;
    std::array<bool, SideCount> touched{};
    const auto removeFrom = [&](int s, const QList<int> &candidates) {
        const QList<int> valid = validRows(candidates, m_lists[s].size());
        if (valid.isEmpty())
            return;
        const int remaining = static_cast<int>(m_lists[s].size() - valid.size());
        if (m_resultMode || removedPosition == RemovedPosition::StaysAtIndex) {
            positions[s] = ListEdits::positionAfterRemoval(positions[s], valid, remaining, false);
        } else {
            // The mark tells where the position is, also after a sort left the stored one behind.
            const int marked = static_cast<int>(m_lists[s].primaries().indexOf(MarkText));
            const int anchor = marked >= 0 ? marked : positions[s];
            positions[s] = ListEdits::positionAfterRemoval(anchor, valid, remaining, marked >= 0);
        }
        touched[s] = true;
        removeRunsOrReset(s, valid);
    };

    rows = validRows(std::move(rows), m_lists[side].size());
    for (int s : sides)
        removeFrom(s, rows);
    if (m_resultMode && touched[side]) {
        const ListEdits::Regrouped regrouped =
            ListEdits::regroup(m_lists[side].primaries(), static_cast<int>(rows.size()));
        for (int s : sides)
            removeFrom(s, regrouped.dropped);
        setGroupLabels(regrouped.labels);
    }

    for (int s : sides) {
        if (!touched[s])
            continue;
        if (m_lists[s].isEmpty()) {
            storePosition(s, 0);
            clearPane(s);
            Q_EMIT sideEmptied(s);
        } else if (m_resultMode) {
            storePosition(s, positions[s]);
        } else {
            setPosition(s, positions[s]);
        }
    }
}

void CDuovueDoc::removeRunsOrReset(int side, const QList<int> &rows)
{
    // Every run removed costs the views work in proportion to their selection, so thousands of
    // scattered rows (an inverted selection, say) are cheaper as one new list.
    constexpr int MaxRuns = 64;
    int runs = 0;
    for (qsizetype i = 0; i < rows.size() && runs <= MaxRuns; ++i) {
        if (i == 0 || rows[i] != rows[i - 1] + 1)
            ++runs;
    }
    if (runs <= MaxRuns) {
        removeRows(side, rows);
        return;
    }
    const FileList &old = m_lists[side];
    FileList kept;
    kept.reserve(old.size() - rows.size());
    for (qsizetype i = 0, next = 0; i < old.size(); ++i) {
        if (next < rows.size() && rows[next] == i)
            ++next;
        else
            kept.append(old.entry(i));
    }
    resetList(side, std::move(kept));
}

void CDuovueDoc::renameEntry(int side, int row, const QString &name)
{
    Q_ASSERT(side >= 0 && side < SideCount);
    if (!isRow(side, row))
        return;
    // In result mode both lists hold the same files at the same rows; the other row must not keep
    // naming a file that no longer exists.
    const QString oldPath = m_lists[side].fullPath(row);
    for (int s : {side, 1 - side}) {
        if (s != side && (!m_resultMode || !isRow(s, row) || m_lists[s].fullPath(row) != oldPath))
            continue;
        m_lists[s].setColumn(0, row, name);
        Q_EMIT rowsChanged(s, row, row);
        markModified();
    }
}

} // namespace Duovue
