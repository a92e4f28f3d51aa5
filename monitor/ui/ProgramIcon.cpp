#include "ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace monitor {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/orvant/icons/orvant-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon outageIcon()
{
    const QIcon base = programIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(QSize(size, size));
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // Half the icon's width, so it reads even at 16 pixels in a panel.
        const qreal d = size / 2.0;
        painter.setPen(QPen(Qt::white, qMax(1.0, size / 16.0)));
        painter.setBrush(QColor(0xd0, 0x10, 0x10));
        painter.drawEllipse(QRectF(size - d - 0.5, size - d - 0.5, d, d));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace monitor
