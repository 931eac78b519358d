#include "resources/missingfilepicture.h"

#include <QFont>
#include <QPainter>

#include "imaging/pictureloader.h"

namespace Duovue
{

QImage MissingFileBitmap()
{
    static const QImage bitmap = [] {
        QImage image(MissingFileBitmapWidth, MissingFileBitmapHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font(QStringLiteral("Noto Sans CJK JP"));
        font.setPixelSize(18);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(255, 0, 0));
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("ファイルがありません"));
        return image;
    }();
    return bitmap;
}

} // namespace Duovue
