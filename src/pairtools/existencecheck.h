#pragma once

#include <functional>
#include <utility>

#include <QList>
#include <QString>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The file existence check: finds the list entries whose files are gone and the new time and size
/// texts of the others, one side at a time, telling the user about every missing file until the
/// user asks not to be told again in this run. RunExistenceCheck (document/existencecheckrun.h)
/// applies what the walks found to the document.
///
/// Thread: GUI thread (the notice is a dialog).
class ExistenceCheck
{
public:
    /// Shows the missing-file notice and waits; returns true when the user ticked "これ以降、この
    /// ダイアログを表示しない。".
    using Notice = std::function<bool(const QString &text)>;

    /// What one side's walk found.
    struct SideResult {
        int before = 0; // rows when the walk began
        int removed = 0; // rows without a file
        /// The rows without a file, ascending (row numbers before any removal).
        QList<int> missing;
        /// Rows whose created, modified or size text changed, with their new entries.
        QList<std::pair<int, FileList::Entry>> refreshed;
    };

    explicit ExistenceCheck(Notice notice);

    /// Walks side @p side (0 left, 1 right) of @p list. A missing entry's notice is shown unless
    /// suppressed. A file that cannot be looked at (no permission, an I/O or name error) is neither
    /// missing nor refreshed: being unable to tell is not proof that the file is gone.
    SideResult checkSide(const FileList &list, int side);

    /// SuppressMissingNotice: set once the user ticked the box; a new ExistenceCheck starts clear.
    bool suppressMissingNotice() const { return m_suppress; }

    /// The notice for a missing file of side @p side.
    static QString noticeText(int side, const QString &path);

    /// The closing message ("確認結果") for both sides. @p nowEmpty: the list holds no rows now.
    static QString summaryText(const SideResult &left, bool leftNowEmpty, const SideResult &right, bool rightNowEmpty);

private:
    Notice m_notice;
    bool m_suppress = false;
};

} // namespace Duovue
