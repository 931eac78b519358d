#pragma once

#include <QString>

#include "search/searchengine.h"

namespace Duovue
{

/// What a finished search means for the lists (CDuovueDoc::applySearchResults hands it over), and
/// the texts around it.
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

/// The counts of @p grouping and what the width and height columns do: the bitmap method with
/// groups shows them, the hash method hides them, a bitmap search without groups leaves them.
Applied summarize(const GroupingResult &grouping, SearchMethod method);

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
