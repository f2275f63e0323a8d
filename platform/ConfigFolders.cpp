#include "ConfigFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <QByteArray>

#include "platform/FileNames.h"

namespace {

// A relative path in these variables is to be ignored: it would depend on the working folder.
bool IsAbsolute(const QByteArray& Path) {
    return Path.startsWith('/');
}

QByteArray HomeFolder() {
    const QByteArray home = qgetenv("HOME");
    if (IsAbsolute(home))
        return home;
    // A service or a login without HOME: the account's own folder.
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir)
        return QByteArray(account->pw_dir);
    return QByteArray("/");
}

} // namespace

QString UserConfigFolder() {
    const QByteArray configured = qgetenv("XDG_CONFIG_HOME");
    if (IsAbsolute(configured))
        return DecodeFileName(configured);
    QByteArray home = HomeFolder();
    if (!home.endsWith('/'))
        home += '/';
    return DecodeFileName(home + ".config");
}

QStringList SystemConfigFolders() {
    QStringList folders;
    for (const QByteArray& entry : qgetenv("XDG_CONFIG_DIRS").split(':')) {
        if (IsAbsolute(entry))
            folders.append(DecodeFileName(entry));
    }
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    return folders;
}
