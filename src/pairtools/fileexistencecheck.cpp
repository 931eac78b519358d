#include "pairtools/fileexistencecheck.h"

#include <cerrno>
#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "lists/textformats.h"

namespace Duovue::FileExistenceCheck
{

namespace
{

enum class Presence { Present, Missing, Unknown };

// Looks at the file of entry @p row; a present file's times and size go into its columns.
Presence look(FileList &list, qsizetype row)
{
    const QString path = list.fullPath(row);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st {
    };
    if (path.isEmpty() || ::stat(encoded.constData(), &st) != 0)
        return path.isEmpty() || errno == ENOENT || errno == ENOTDIR ? Presence::Missing : Presence::Unknown;
    const QFileInfo info(path);
    // Creation time is the birth time where the file system records it, else the last status change.
    const QDateTime born = info.birthTime();
    const QDateTime created = born.isValid() ? born : info.metadataChangeTime();
    list.setColumn(2, row, FormatFileTime(created.toSecsSinceEpoch()));
    list.setColumn(3, row, FormatFileTime(info.lastModified().toSecsSinceEpoch()));
    list.setColumn(4, row, FormatFileSize(quint64(st.st_size)));
    return Presence::Present;
}

int groupNumber(const QString &label)
{
    qsizetype start = 0;
    while (start < label.size() && label.at(start) == u'-')
        ++start;
    return QStringView(label).mid(start).toInt();
}

QString sideText(int side, const SideOutcome &outcome, bool nowEmpty)
{
    const QString list = side == 0 ? QStringLiteral("左のリスト") : QStringLiteral("右のリスト");
    if (outcome.before == 0)
        return list + QStringLiteral("は空です。");
    if (outcome.removed == 0)
        return list + QStringLiteral("はすべて有りました。");
    QString text = list + QStringLiteral("は %1 個存在しませんでした。").arg(outcome.removed);
    if (nowEmpty)
        text += QStringLiteral("\r\n") + list + QStringLiteral("は空になりました。");
    return text;
}

} // namespace

QString noticeText(int side, const QString &path)
{
    return (side == 0 ? QStringLiteral("左のリスト内") : QStringLiteral("右のリスト内"))
        + QStringLiteral("\r\nファイルが存在しません。\r\nリストから削除します。\r\n\r\n") + path;
}

Outcome run(std::array<FileList, 2> &lists, std::array<int, 2> &positions, bool resultMode, const Notice &notice)
{
    Outcome outcome;
    if (lists[0].isEmpty() && lists[1].isEmpty())
        return outcome;
    bool suppress = false;
    for (int side = 0; side < 2; ++side) {
        FileList &list = lists[side];
        int &position = positions[side];
        outcome.sides[side].before = int(list.size());
        bool positionRemoved = false;
        for (qsizetype g = 0; g < list.size();) {
            const Presence presence = look(list, g);
            if (presence != Presence::Missing) {
                ++g;
                continue;
            }
            if (!suppress && notice)
                suppress = notice(noticeText(side, list.fullPath(g)));
            if (position == g)
                positionRemoved = true;
            else if (position > g)
                --position;
            list.removeAt(g);
            ++outcome.sides[side].removed;
        }
        if ((positionRemoved && !list.isEmpty()) || list.isEmpty())
            position = 0;
    }
    if (resultMode && outcome.sides[0].removed > 0)
        regroup(lists, outcome.sides[0].removed);
    outcome.summary = sideText(0, outcome.sides[0], lists[0].isEmpty()) + QStringLiteral("\r\n\r\n")
        + sideText(1, outcome.sides[1], lists[1].isEmpty());
    return outcome;
}

void regroup(std::array<FileList, 2> &lists, int removedRows)
{
    FileList &left = lists[0];
    FileList &right = lists[1];
    const qsizetype n = left.size();
    if (n == 0)
        return;
    const auto removeBoth = [&](qsizetype row) {
        left.removeAt(row);
        if (row < right.size())
            right.removeAt(row);
    };
    if (n == 1) {
        removeBoth(0); // a lone file is no group
        return;
    }
    QList<qsizetype> lone;
    for (qsizetype i = 0; i < n && lone.size() < removedRows; ++i) {
        const int g = groupNumber(left.primary(i));
        const bool differsFromPrevious = i == 0 || g != groupNumber(left.primary(i - 1));
        const bool differsFromNext = i == n - 1 || g != groupNumber(left.primary(i + 1));
        if (differsFromPrevious && differsFromNext)
            lone.append(i);
    }
    for (qsizetype k = lone.size() - 1; k >= 0; --k)
        removeBoth(lone[k]);

    int counter = 2;
    int previous = 2;
    for (qsizetype i = 0; i < left.size(); ++i) {
        const QString &old = left.primary(i);
        const int g = groupNumber(old);
        if (g != previous) {
            ++counter;
            previous = g;
        }
        const QString label = (old.startsWith(u'-') ? QStringLiteral("-") : QString()) + QString::number(counter);
        left.setPrimary(i, label);
        if (i < right.size())
            right.setPrimary(i, label);
    }
}

} // namespace Duovue::FileExistenceCheck
