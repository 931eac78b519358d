#include "lists/droppedpaths.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "core/nativepath.h"

namespace Duovue::DroppedPaths
{

QStringList localPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        // The escapes of a file URL are the name's bytes; Qt would read them as UTF-8 and lose
        // a name that is not.
        if (url.isLocalFile())
            paths.append(NativePath::decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())));
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
