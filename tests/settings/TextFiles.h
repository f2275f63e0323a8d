#pragma once

// Writing and reading whole files byte for byte, for tests that check exact file contents.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace vk_test {

inline void Store(const QString& Path, const QByteArray& Bytes) {
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(Bytes), Bytes.size());
}

inline QByteArray Contents(const QString& Path) {
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace vk_test
