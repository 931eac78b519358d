#include "viewer/viewernavigation.h"

namespace Duovue::ViewerNavigation
{

QString endOfListMessage(int side, bool pastLast)
{
    if (side == 0)
        return pastLast ? QStringLiteral("左はリストの最後です") : QStringLiteral("左はリストの先頭です");
    return pastLast ? QStringLiteral("右はリストの最後です") : QStringLiteral("右はリストの先頭です");
}

Step step(int side, int position, int direction, qsizetype count)
{
    Step s;
    s.previous = position;
    const qint64 next = qint64(position) + direction;
    if (next >= count || next < 0) {
        s.position = position;
        s.atEnd = true;
        s.endMessage = endOfListMessage(side, next >= count);
        return s;
    }
    s.position = int(next);
    return s;
}

PairStep stepSides(
    std::array<int, 2> positions, std::array<qsizetype, 2> counts, std::array<bool, 2> selected, int direction)
{
    PairStep pair;
    pair.selected = selected;
    for (int side = 0; side < 2; ++side) {
        if (selected[side])
            pair.steps[side] = step(side, positions[side], direction, counts[side]);
        else
            pair.steps[side] = {positions[side], positions[side], false, {}};
    }
    return pair;
}

} // namespace Duovue::ViewerNavigation
