#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the window program was started with, after Qt took the options it knows (-style,
// -platform and the like).
struct TCommandLine {
    // The files and folders to import once the window shows, as absolute paths.
    QStringList Files;
    // Why the command line was refused; empty when it was not.
    QString Error;
};

// Reads Arguments, the program's arguments after its name, as the bytes they were given. A
// relative path is taken from WorkingFolder; "--" ends the options, so that a file whose name
// starts with "-" can be named. The program has no options of its own.
TCommandLine ReadCommandLine(const QList<QByteArray>& Arguments, const QByteArray& WorkingFolder);
