#include "ProgramIcon.h"

namespace monitor {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/orvant/icons/orvant-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace monitor
