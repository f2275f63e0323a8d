#include "CommandLine.h"

#include "platform/FileNames.h"

TCommandLine ReadCommandLine(const QList<QByteArray>& Arguments, const QByteArray& WorkingFolder) {
    TCommandLine result;
    bool optionsEnded = false;
    for (const QByteArray& argument : Arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith('-') && argument != "-") {
            if (result.Error.isEmpty())
                result.Error = QStringLiteral("unknown option '%1'").arg(DecodeFileName(argument));
        } else if (argument.startsWith('/') || WorkingFolder.isEmpty()) {
            result.Files.append(DecodeFileName(argument));
        } else {
            // Paths stay bytes until the end, so that every name survives, whatever its encoding.
            const QByteArray folder =
                WorkingFolder.endsWith('/') ? WorkingFolder : WorkingFolder + '/';
            result.Files.append(DecodeFileName(folder + argument));
        }
    }
    return result;
}
