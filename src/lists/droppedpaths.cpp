#include "lists/droppedpaths.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace Duovue::DroppedPaths
{

QStringList localPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

bool acceptAsCopy(QDropEvent *event, bool wanted)
{
    if (!wanted) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace Duovue::DroppedPaths
