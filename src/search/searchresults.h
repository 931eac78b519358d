#pragma once

#include <QString>

#include "search/searchengine.h"

namespace Duovue
{

class CDuovueDoc;

/// The hand-over of a finished search to the lists, and the texts around it.
///
/// Thread: GUI thread.
namespace SearchResults
{

/// What the lists' width and height columns should do after a search.
enum class SizeColumns { Keep, Show, Hide };

struct Applied {
    int groups = 0;
    int items = 0; // result rows written to each list
    SizeColumns columns = SizeColumns::Keep;
};

/// Appends the result rows to both lists of @p document and sets result mode when there are
/// groups. The bitmap method with groups shows the width and height columns; the hash method hides
/// them; a bitmap search without groups leaves them as they are.
Applied apply(CDuovueDoc &document, const GroupingResult &grouping, SearchMethod method);

/// The message after a search: the no-duplicates text, or the count of groups and files.
QString message(const Applied &applied);
/// The same followed, when the abort button cut the search short, by where and how far it got,
/// and by the count of the files that could not be read, the first @p named of them by path.
QString message(const Applied &applied, const SearchOutcome &outcome, int named);
/// How many unreadable files the dialog's message names; the log names all.
constexpr int NamedUnreadableFiles = 10;
QString noDuplicatesText();
QString foundText(int groups, int items);

/// The question asked before a search empties lists that hold entries.
QString clearQuestion();

/// Count texts of the search dialog.
QString countText(const SearchProgress &progress);
QString statusText(const SearchProgress &progress);

} // namespace SearchResults

} // namespace Duovue
