#include "lists/positionmark.h"

namespace Duovue
{

void MoveMark(FileList &list, int &position, int oldIndex)
{
    const int count = static_cast<int>(list.size());
    // Callers promise a non-empty list and a valid old index; a broken promise must not write
    // outside the arrays.
    if (count == 0)
        return;
    static const QString unmarked = QStringLiteral("0");
    static const QString marked = QStringLiteral("1");
    if (oldIndex >= 0 && oldIndex < count)
        list.setPrimary(oldIndex, unmarked);
    if (position >= count)
        position = count - 1;
    if (position < 0)
        position = 0;
    list.setPrimary(position, marked);
}

} // namespace Duovue
