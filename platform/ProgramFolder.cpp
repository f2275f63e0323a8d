#include "ProgramFolder.h"

#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>

#include "platform/FileNames.h"

QString ProgramFolder() {
    QByteArray path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), size_t(path.size()));
    if (length <= 0 || length >= path.size())
        return QCoreApplication::applicationDirPath(); // no /proc: Qt's own lookup
    path.truncate(length);
    return DecodeFileName(path.left(path.lastIndexOf('/')));
}
