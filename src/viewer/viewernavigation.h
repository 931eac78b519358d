#pragma once

#include <array>

#include <QString>

namespace Duovue
{

/// How the viewer's positions move through the two lists: a step to the next or previous entry of
/// one or both sides, with the end-of-list cases. (Where the position goes when the shown entry
/// leaves its list is the document's removePositionEntry.) Pure functions over positions and list
/// sizes. Thread: any.
namespace ViewerNavigation
{

/// One side's step.
struct Step {
    /// The entry to show now (the position after the step, or the unchanged one at an end).
    int position = 0;
    /// The entry shown before, whose comparison mark moves to @c position.
    int previous = 0;
    /// The step ran past an end: the position stays, the side's auto-advance stops and
    /// @c endMessage is shown; nothing is loaded.
    bool atEnd = false;
    QString endMessage;
};

/// The step of side @p side (0 left, 1 right) from @p position by @p direction (+1 next, -1
/// previous) in a list of @p count entries.
Step step(int side, int position, int direction, qsizetype count);

/// The box text when side @p side runs past its last entry (@p pastLast) or before its first.
QString endOfListMessage(int side, bool pastLast);

/// The steps of a chord or timer that moves the selected sides together. Both positions move first
/// and the sides are then shown left before right, each on its own: one side at its end does not
/// hold the other back.
struct PairStep {
    std::array<bool, 2> selected{false, false};
    std::array<Step, 2> steps;
};
PairStep stepSides(
    std::array<int, 2> positions, std::array<qsizetype, 2> counts, std::array<bool, 2> selected, int direction);

} // namespace ViewerNavigation

} // namespace Duovue
