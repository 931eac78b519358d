#pragma once

#include <functional>

#include <QString>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The file existence check: removes the list entries whose files are gone and brings the time
/// and size columns of the others up to date, one side at a time, telling the user about every
/// missing file until the user asks not to be told again in this run.
///
/// Thread: GUI thread (it changes the FileLists it is given).
class ExistenceCheck
{
public:
    /// Shows the missing-file notice and waits; returns true when the user ticked "これ以降、この
    /// ダイアログを表示しない。".
    using Notice = std::function<bool(const QString &text)>;

    /// What one side's walk did.
    struct SideResult {
        int before = 0; // rows when the walk began
        int removed = 0;
        /// The comparison position's own row was removed (the caller moves the position to row 0
        /// when rows remain).
        bool positionRemoved = false;
    };

    explicit ExistenceCheck(Notice notice);

    /// Walks side @p side (0 left, 1 right) of @p list. A missing entry's notice is shown (unless
    /// suppressed), the entry is removed and @p position follows its row (it drops by one for every
    /// removed row above it); an existing entry gets fresh created, modified and size texts.
    /// A file that cannot be looked at (no permission, I/O error) is neither removed nor refreshed:
    /// being unable to tell is not the same as being gone.
    SideResult checkSide(FileList &list, int side, int &position);

    /// SuppressMissingNotice: set once the user ticked the box; cleared by a new ExistenceCheck.
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
