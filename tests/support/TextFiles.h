#pragma once

// Writing and reading whole files byte for byte, and the settings file's texts, for tests that
// make files or check exact file contents.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace vk_test {

// A file that cannot be stored fails the test; a missing one reads as a text no file holds.
inline void Store(const QString& Path, const QByteArray& Bytes) {
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(Bytes), Bytes.size());
}

inline QByteArray Contents(const QString& Path) {
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// The same for callers that check the outcome themselves.
inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The keys a save writes after FILES_AT_ONCE, at their defaults.
inline const QByteArray OutputChoiceDefaults =
    "OUTPUT_FORMAT=0\nNEVER_ENLARGE=0\nKEEP_DATES=0\nSKIP_EXISTING=0\nOUTPUT_FOLDER=\n";

// The settings file a save of the defaults writes.
inline const QByteArray DefaultFile =
    "[Options]\nJPG_QUALITY=70\nTHUMB_WIDTH=100\nTHUMB_HEIGHT=95\nMEDIUM_WIDTH=350\n"
    "MEDIUM_HEIGHT=325\nLARGE_WIDTH=600\nLARGE_HEIGHT=600\nPROCESS_THUMB=1\nPROCESS_MEDIUM=1\n"
    "PROCESS_LARGE=1\nRQ_HIGH=0\nSTRIP_METADATA=0\nFILES_AT_ONCE=0\n" +
    OutputChoiceDefaults;

} // namespace vk_test
