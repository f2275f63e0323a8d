// The JPEG decoder's scaling rule and the hints chosen from it, without the engine.

#include <QTest>

#include <algorithm>

#include "batch/DecodedSize.h"
#include "support/BatchValues.h"
#include "support/TestMain.h"

using vk_test::Text;

class TestDecodedSize : public QObject {
    Q_OBJECT

private slots:
    // Points the engine's decoder was seen to land on for a 1920 × 1080 file.
    void scaleFollowsTheSmallerRatioRoundedDown_data() {
        QTest::addColumn<TDimensions>("hint");
        QTest::addColumn<int>("eighths");
        QTest::newRow("square box: the height decides") << TDimensions{600, 600} << 8;
        QTest::newRow("a third") << TDimensions{640, 360} << 3;
        QTest::newRow("a half") << TDimensions{960, 540} << 4;
        QTest::newRow("a fifth reads at a quarter") << TDimensions{384, 216} << 2;
        QTest::newRow("just above an eighth") << TDimensions{241, 136} << 2;
        QTest::newRow("just below an eighth") << TDimensions{239, 134} << 1;
        QTest::newRow("one side alone") << TDimensions{640, 1} << 3;
        QTest::newRow("larger than the file") << TDimensions{3000, 3000} << 16;
    }
    void scaleFollowsTheSmallerRatioRoundedDown() {
        QFETCH(TDimensions, hint);
        QFETCH(int, eighths);
        QCOMPARE(JpegDecodeEighths({1920, 1080}, hint), eighths);
    }

    void sidesRoundUp() {
        QCOMPARE(Text(ScaledByEighths({1921, 1081}, 3)), QByteArray("721x406"));
        QCOMPARE(Text(ScaledByEighths({1, 1}, 1)), QByteArray("1x1"));
        QCOMPARE(Text(ScaledByEighths({65500, 65500}, 8)), QByteArray("65500x65500"));
    }

    void smallestHintForKnownPhotographs_data() {
        QTest::addColumn<TDimensions>("stored");
        QTest::addColumn<TDimensions>("atLeast");
        QTest::addColumn<QByteArray>("decoded"); // empty: read at the full size
        QTest::newRow("full HD, not in full")
            << TDimensions{1920, 1080} << TDimensions{600, 338} << QByteArray("720x405");
        QTest::newRow("12 MP at a quarter")
            << TDimensions{4000, 3000} << TDimensions{600, 450} << QByteArray("1000x750");
        QTest::newRow("exactly a quarter")
            << TDimensions{4000, 3000} << TDimensions{1000, 750} << QByteArray("1000x750");
        QTest::newRow("a pixel above a quarter")
            << TDimensions{4000, 3000} << TDimensions{1001, 750} << QByteArray("1500x1125");
        QTest::newRow("thumbnail only")
            << TDimensions{6000, 4000} << TDimensions{100, 67} << QByteArray("750x500");
        QTest::newRow("smaller than its fit")
            << TDimensions{480, 360} << TDimensions{600, 450} << QByteArray();
        // 5/8 would do, but the decoder offers nothing between a half and the full size.
        QTest::newRow("needs five eighths")
            << TDimensions{960, 720} << TDimensions{600, 450} << QByteArray();
    }
    void smallestHintForKnownPhotographs() {
        QFETCH(TDimensions, stored);
        QFETCH(TDimensions, atLeast);
        QFETCH(QByteArray, decoded);
        const std::optional<TDimensions> hint = SmallestJpegDecodeHint(stored, atLeast);
        QCOMPARE(hint.has_value(), !decoded.isEmpty());
        if (hint) {
            QCOMPARE(Text(ScaledByEighths(stored, JpegDecodeEighths(stored, *hint))), decoded);
        }
    }

    // Over every small size, and the sizes around a photograph's: the hint never gives less
    // than asked, never reads above the file, and picks the smallest scale the decoder offers.
    void smallestHintIsSmallestAndEnough() {
        const int offered[] = {1, 2, 3, 4};
        for (int width = 1; width <= 64; ++width) {
            for (int height = 1; height <= 64; height += 3) {
                for (const TDimensions stored :
                     {TDimensions{width, height}, TDimensions{3000 + width, 2000 + height}}) {
                    for (const int divisor : {1, 2, 3, 5, 7, 9}) {
                        const TDimensions atLeast = {std::max(1, stored.Width / divisor),
                                                     std::max(1, stored.Height / divisor)};
                        const std::optional<TDimensions> hint =
                            SmallestJpegDecodeHint(stored, atLeast);
                        int smallest = 8;
                        for (const int eighths : offered) {
                            const TDimensions made = ScaledByEighths(stored, eighths);
                            if (made.Width >= atLeast.Width && made.Height >= atLeast.Height) {
                                smallest = std::min(smallest, eighths);
                            }
                        }
                        const QByteArray where = Text(stored) + " for " + Text(atLeast);
                        if (!hint) {
                            // Only a file too small for the hint's arithmetic may lose a scale.
                            QVERIFY2(smallest == 8 || stored.Width < 12 || stored.Height < 12,
                                     where.constData());
                            continue;
                        }
                        const int eighths = JpegDecodeEighths(stored, *hint);
                        const TDimensions made = ScaledByEighths(stored, eighths);
                        QVERIFY2(eighths < 8, where.constData());
                        QVERIFY2(made.Width >= atLeast.Width && made.Height >= atLeast.Height,
                                 where.constData());
                        if (stored.Width >= 12 && stored.Height >= 12) {
                            QVERIFY2(eighths == smallest, where.constData());
                        }
                    }
                }
            }
        }
    }

    void boxHintNeverEnlarges() {
        const TDimensions box = {600, 600};
        QVERIFY(BoxJpegDecodeHint({1920, 1080}, box) == box);
        QVERIFY(BoxJpegDecodeHint({600, 600}, box) == box);
        QVERIFY(!BoxJpegDecodeHint({480, 360}, box));
        // The width alone is below the box: the decoder would double the file.
        QVERIFY(!BoxJpegDecodeHint({599, 4000}, box));
    }
};

VK_TEST_MAIN(QCoreApplication, TestDecodedSize)
#include "test_decoded_size.moc"
