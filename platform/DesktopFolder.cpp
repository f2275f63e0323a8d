#include "DesktopFolder.h"

#include <QStandardPaths>

#include "platform/Errors.h"

QString GetDesktopFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty()) {
        throw Exception("The desktop folder could not be found");
    }
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}
