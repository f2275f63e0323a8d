// The fit of an image into a box, and the rounding it depends on.

#include <QTest>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>

#include "batch/TargetSize.h"
#include "platform/Errors.h"
#include "support/TestMain.h"

namespace {

TDimensions Parse(const QString& Text) {
    const QStringList parts = Text.split(QLatin1Char('x'));
    return {parts.at(0).toInt(), parts.at(1).toInt()};
}

QString Show(TDimensions Size) {
    return QStringLiteral("%1x%2").arg(Size.Width).arg(Size.Height);
}

} // namespace

class TestTargetSize : public QObject {
    Q_OBJECT

private slots:
    // Each size is fitted from what the size before it left, as a run chains them.
    void chainedFits_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("expected");
        const QStringList all = {"600x600", "350x325", "100x95"};
        QTest::newRow("4000x3000, all sizes: medium from large rounds 262.5+ up")
            << "4000x3000" << all << QStringList{"600x450", "350x263", "100x75"};
        QTest::newRow("4000x3000, medium alone: 262.5- rounds down")
            << "4000x3000" << QStringList{"350x325"} << QStringList{"350x262"};
        QTest::newRow("1001x1000, all sizes: medium from 600x599")
            << "1001x1000" << all << QStringList{"600x599", "326x325", "95x95"};
        QTest::newRow("200x81 thumb: 40.5 goes to the even 40")
            << "200x81" << QStringList{"100x95"} << QStringList{"100x40"};
        QTest::newRow("200x83 thumb: 41.5 goes to the even 42")
            << "200x83" << QStringList{"100x95"} << QStringList{"100x42"};
        QTest::newRow("50x40 large: enlarged")
            << "50x40" << QStringList{"600x600"} << QStringList{"600x480"};
        QTest::newRow("3000x4000 medium: portrait")
            << "3000x4000" << QStringList{"350x325"} << QStringList{"244x325"};
        QTest::newRow("square into a square box")
            << "777x777" << QStringList{"100x95"} << QStringList{"95x95"};
        QTest::newRow("a side that would round to 0 is 1")
            << "10000x3" << QStringList{"100x95"} << QStringList{"100x1"};
    }
    void chainedFits() {
        QFETCH(QString, source);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, expected);
        TDimensions current = Parse(source);
        QStringList results;
        for (const QString& box : boxes) {
            current = FitInto(current, Parse(box));
            results << Show(current);
        }
        QCOMPARE(results, expected);
    }

    void emptySourceCannotBeFitted() {
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, FitInto({0, 0}, {100, 95}));
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, FitInto({100, 0}, {100, 95}));
    }

    void roundsThroughSixtyFourBitSignificand_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("factor");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("tie down to even") << 5 << 0.5 << qint64{2};
        QTest::newRow("tie up to even") << 7 << 0.5 << qint64{4};
        QTest::newRow("negative tie") << -5 << 0.5 << qint64{-2};
        QTest::newRow("below one half") << 1 << 0.25 << qint64{0};
        QTest::newRow("zero") << 0 << 0.7 << qint64{0};
        // The exact product lies just above k + 0.5, but not by enough to survive rounding to 64
        // bits: the extended value is the tie, which goes to the even k.
        QTest::newRow("double rounding 1140") << 804891107 << 0x1.7c5ce0a84a53ep-20 << qint64{1140};
        QTest::newRow("double rounding 70806")
            << 872882311 << 0x1.543bd45a10f2bp-14 << qint64{70806};
        QTest::newRow("largest int32 times one") << 2147483647 << 1.0 << qint64{2147483647};
    }
    void roundsThroughSixtyFourBitSignificand() {
        QFETCH(int, value);
        QFETCH(double, factor);
        QFETCH(qint64, expected);
        QCOMPARE(RoundExtendedProduct(value, factor), expected);
    }

    void agreesWithHardwareExtendedPrecision() {
#if LDBL_MANT_DIG != 64
        QSKIP("long double here is not the 64-bit-significand format");
#else
        std::mt19937_64 random(20240501);
        for (int i = 0; i < 200000; ++i) {
            const auto value = static_cast<std::int32_t>(random() % 2147483647u) - 1000000;
            const double factor =
                i % 2 == 0
                    ? static_cast<double>(random() % 4000 + 1) / (random() % 60000 + 1)
                    : std::ldexp(static_cast<double>(random() >> 11), -(53 + int(random() % 40)));
            const long double product = static_cast<long double>(value) * factor;
            QCOMPARE(RoundExtendedProduct(value, factor),
                     static_cast<qint64>(std::llrint(product)));
        }
#endif
    }
};

VK_TEST_MAIN(QCoreApplication, TestTargetSize)
#include "test_target_size.moc"
