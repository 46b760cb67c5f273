#include "app/ProgramIcon.h"

namespace tess {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/" TESS_APP_ID ".png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tess
