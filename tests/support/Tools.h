#pragma once

// The command-line tools tests make their files with: the engine's own (convert, identify) and
// exiftool for metadata.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace vk_test {

// What the program printed, or "failed: " and its complaint.
inline QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline bool Succeeds(const QString& program, const QStringList& arguments) {
    return !Run(program, arguments).startsWith(QStringLiteral("failed: "));
}

// Command-line options written as one text, split at spaces.
inline QStringList Words(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Input written by the engine's tool to Output ("heic:name" names the format), with Options
// in between.
inline bool Convert(const QString& Input, const QStringList& Options, const QString& Output) {
    return Succeeds(QStringLiteral("convert"), QStringList{Input} << Options << Output);
}

// Writes EXIF, IPTC or XMP tags into a file in place.
inline bool Tag(const QString& path, const QStringList& tags) {
    return Succeeds(QStringLiteral("exiftool"), Words(QStringLiteral("-q -overwrite_original"))
                                                    << tags << path);
}

} // namespace vk_test
