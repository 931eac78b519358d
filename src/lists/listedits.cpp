#include "lists/listedits.h"

#include <algorithm>

#include "lists/resultchecks.h"

namespace Duovue::ListEdits
{

Regrouped regroup(const QStringList &labels, int removedCount)
{
    Regrouped out;
    const qsizetype count = labels.size();
    if (count == 0)
        return out;
    if (count == 1) {
        // A lone file is no group.
        out.dropped.append(0);
        return out;
    }

    QList<qint64> groups;
    groups.reserve(count);
    for (const QString &label : labels)
        groups.append(ResultChecks::groupOf(label));
    for (qsizetype i = 0; i < count && out.dropped.size() < removedCount; ++i) {
        const bool differsBefore = i == 0 || groups[i] != groups[i - 1];
        const bool differsAfter = i == count - 1 || groups[i] != groups[i + 1];
        if (differsBefore && differsAfter)
            out.dropped.append(static_cast<int>(i));
    }

    qint64 counter = 2;
    qint64 previous = 2;
    out.labels.reserve(count - out.dropped.size());
    for (qsizetype i = 0, next = 0; i < count; ++i) {
        if (next < out.dropped.size() && out.dropped[next] == i) {
            ++next;
            continue;
        }
        if (groups[i] != previous) {
            ++counter;
            previous = groups[i];
        }
        const QString number = QString::number(counter);
        out.labels.append(ResultChecks::isChecked(labels[i]) ? QLatin1Char('-') + number : number);
    }
    return out;
}

int positionAfterRemoval(int position, const QList<int> &removed, int remainingCount, bool toTop)
{
    if (remainingCount <= 0)
        return 0;
    const auto before = std::lower_bound(removed.begin(), removed.end(), position);
    const bool entryRemoved = before != removed.end() && *before == position;
    if (entryRemoved && toTop)
        return 0;
    const int moved = position - static_cast<int>(before - removed.begin());
    return std::clamp(moved, 0, remainingCount - 1);
}

bool isForbiddenNameCharacter(QChar c)
{
    static const QString forbidden = QStringLiteral("/?*\"<>|\\:");
    return forbidden.contains(c);
}

QString cleanFileName(const QString &text, bool *hadForbidden)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isForbiddenNameCharacter(c))
            out.append(c);
    }
    if (hadForbidden)
        *hadForbidden = out.size() != text.size();
    return out;
}

} // namespace Duovue::ListEdits
