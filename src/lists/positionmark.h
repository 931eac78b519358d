#pragma once

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// Moves the comparison-position mark ("1") of @p list from entry @p oldIndex to the entry at
/// @p position; the caller stores the new position first. A position beyond the end is pulled back
/// to the last entry (and a negative one to entry 0), which is written back to @p position. An old
/// index outside the list unmarks nothing. Does nothing on an empty list. Result mode, where the
/// primary strings are group labels, has no marks: the caller does not call this there.
///
/// Thread: the thread that owns the list.
void MoveMark(FileList &list, int &position, int oldIndex);

} // namespace Duovue
