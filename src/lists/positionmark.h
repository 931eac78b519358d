#pragma once

namespace Duovue
{

struct AppState;

/// Moves the comparison-position mark ("1") of @p side from entry @p oldIndex to the entry at
/// state.viewerPosition[side]; the caller stores the new position first. A position beyond the
/// end is pulled back to the last entry. Does nothing in result mode, where the primary strings are
/// group labels, and nothing on an empty list. The caller redraws the two rows.
///
/// Thread: GUI thread (it changes the side's FileList).
void MoveMark(AppState &state, int oldIndex, int side);

} // namespace Duovue
