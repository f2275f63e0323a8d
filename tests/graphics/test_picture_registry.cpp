// The registry of picture file formats and the picture that picks a graphic class through it.

#include <QTest>

#include "graphics/BuiltinFormats.h"
#include "graphics/Metafile.h"
#include "graphics/Picture.h"
#include "graphics/QtGraphic.h"
#include "platform/Errors.h"
#include "support/Raises.h"
#include "support/TestMain.h"

namespace {

using vk_test::RaisedText;

// Stands for a graphic class: records its tag and the file it loaded, and fails on "fail" names.
class TTaggedGraphic final : public TGraphic {
public:
    explicit TTaggedGraphic(QString Name) : Tag(std::move(Name)) {}
    void LoadFromFile(const QString& FileName) override {
        if (FileName.contains(QStringLiteral("fail")))
            throw EInvalidGraphic("cannot load");
        Loaded = FileName;
    }
    void SaveToFile(const QString&) override {}
    void LoadFromStream(QIODevice&) override {}
    void SaveToStream(QIODevice&) override {}
    int GetWidth() const override { return 0; }
    int GetHeight() const override { return 0; }
    bool GetEmpty() const override { return true; }
    void Draw(QPainter&, const QRect&) override {}
    QString ClassName() const override { return Tag; }

    QString Tag;
    QString Loaded;
};

TGraphicFactory Tagged(const QString& Tag) {
    return [Tag] { return std::make_unique<TTaggedGraphic>(Tag); };
}

QString LoadedBy(const TPicture& Picture) {
    const auto* Graphic = Picture.GetGraphic();
    return Graphic ? Graphic->ClassName() : QStringLiteral("(none)");
}

} // namespace

class PictureRegistryTest : public QObject {
    Q_OBJECT

private slots:
    void reRegistrationReplacesAndMovesToTheFront() {
        TPictureRegistry Registry;
        Registry.RegisterFileFormat(QStringLiteral("gif"), QStringLiteral("Old"), Tagged("A"));
        Registry.RegisterFileFormat(QStringLiteral("png"), QStringLiteral("Png"), Tagged("B"));
        Registry.RegisterFileFormat(QStringLiteral("GIF"), QStringLiteral("New"), Tagged("C"));

        TPicture Picture(Registry);
        Picture.LoadFromFile(QStringLiteral("/photos/a.gif"));
        QCOMPARE(LoadedBy(Picture), QStringLiteral("C"));
        QCOMPARE(Registry.Extensions(), QStringList({"png", "gif"}));
        QCOMPARE(Registry.GraphicFilter(), QStringLiteral("New (*.gif)|*.gif|Png (*.png)|*.png"));
    }

    void extensionIsTheLastDotOfTheName_data() {
        QTest::addColumn<QString>("FileName");
        QTest::addColumn<QString>("Outcome"); // the graphic's tag, or the error text
        QTest::newRow("upper case") << "/p/A.GIF"
                                    << "gif";
        QTest::newRow("mixed case") << "/p/a.Gif"
                                    << "gif";
        QTest::newRow("last dot wins") << "/p/a.png.gif"
                                       << "gif";
        QTest::newRow("dot in folder only") << "/p/set.gif/readme"
                                            << "The picture file name "
                                               "has no extension";
        QTest::newRow("trailing dot") << "/p/a."
                                      << "The picture file name has no extension";
        QTest::newRow("unknown") << "/p/a.pdf"
                                 << "Unknown picture file extension (.pdf)";
        QTest::newRow("unknown keeps case") << "/p/a.PDF"
                                            << "Unknown picture file extension (.PDF)";
        QTest::newRow("no ASCII folding beyond A-Z")
            << "/p/a.g\u0130f"
            << "Unknown picture file extension (.g\u0130f)";
    }
    void extensionIsTheLastDotOfTheName() {
        QFETCH(QString, FileName);
        QFETCH(QString, Outcome);
        TPictureRegistry Registry;
        Registry.RegisterFileFormat(QStringLiteral("gif"), QStringLiteral("Gif"), Tagged("gif"));
        TPicture Picture(Registry);
        const QString Error = RaisedText<EInvalidGraphic>([&] { Picture.LoadFromFile(FileName); });
        QCOMPARE(Error == QStringLiteral("(nothing raised)") ? LoadedBy(Picture) : Error, Outcome);
    }

    void failedLoadKeepsThePreviousGraphic() {
        TPictureRegistry Registry;
        Registry.RegisterFileFormat(QStringLiteral("gif"), QStringLiteral("Gif"), Tagged("gif"));
        TPicture Picture(Registry);
        Picture.LoadFromFile(QStringLiteral("/p/good.gif"));
        QCOMPARE(RaisedText<EInvalidGraphic>([&] { Picture.LoadFromFile("/p/fail.gif"); }),
                 QStringLiteral("cannot load"));
        RaisedText<EInvalidGraphic>([&] { Picture.LoadFromFile("/p/other.pdf"); });
        QCOMPARE(static_cast<TTaggedGraphic*>(Picture.GetGraphic())->Loaded, "/p/good.gif");
    }

    void refusesWhatWouldBreakTheFilter_data() {
        QTest::addColumn<QString>("Extension");
        QTest::addColumn<QString>("Description");
        QTest::addColumn<bool>("WithClass");
        QTest::newRow("empty") << ""
                               << "Any" << true;
        QTest::newRow("dot") << ".gif"
                             << "Any" << true;
        QTest::newRow("bar") << "g|f"
                             << "Any" << true;
        QTest::newRow("blank") << "g f"
                               << "Any" << true;
        QTest::newRow("pattern") << "*"
                                 << "Any" << true;
        QTest::newRow("bar in description") << "gif"
                                            << "A|B" << true;
        QTest::newRow("line break in description") << "gif"
                                                   << "A\nB" << true;
        QTest::newRow("no class") << "gif"
                                  << "Any" << false;
    }
    void refusesWhatWouldBreakTheFilter() {
        QFETCH(QString, Extension);
        QFETCH(QString, Description);
        QFETCH(bool, WithClass);
        TPictureRegistry Registry;
        QVERIFY_THROWS_EXCEPTION(
            Exception,
            Registry.RegisterFileFormat(Extension, Description, WithClass ? Tagged("x") : nullptr));
        QVERIFY(Registry.Extensions().isEmpty());
    }

    void builtinFormatsComeBeforeTheEngine() {
        TPictureRegistry Registry;
        RegisterBuiltinFormats(Registry);
        QCOMPARE(Registry.GraphicFilter(),
                 QStringLiteral("JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|"
                                "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf|"
                                "Icons (*.ico)|*.ico|Bitmaps (*.bmp)|*.bmp"));
        QVERIFY(dynamic_cast<TBitmap*>(Registry.CreateGraphic(QStringLiteral("BMP")).get()));
        QVERIFY(dynamic_cast<TIcon*>(Registry.CreateGraphic(QStringLiteral("ico")).get()));
        QVERIFY(dynamic_cast<TMetafile*>(Registry.CreateGraphic(QStringLiteral("wmf")).get()));
        QVERIFY(dynamic_cast<TMetafile*>(Registry.CreateGraphic(QStringLiteral("emf")).get()));

        // As the engine does at start-up: its later jpg wins, jpeg stays built in.
        Registry.RegisterFileFormat(QStringLiteral("jpg"), QStringLiteral("Imagick Format"),
                                    Tagged("engine"));
        QCOMPARE(Registry.CreateGraphic(QStringLiteral("JPG"))->ClassName(), "engine");
        QVERIFY(dynamic_cast<TJPEGImage*>(Registry.CreateGraphic(QStringLiteral("jpeg")).get()));
        QVERIFY(Registry.GraphicFilter().startsWith(
            QStringLiteral("Imagick Format (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Enh")));
        QCOMPARE(Registry.GraphicFilter().count(QStringLiteral("*.jpg)")), 1);
    }

    void aDefaultPictureUsesTheProcessRegistry() {
        PictureRegistry().RegisterFileFormat(QStringLiteral("vkprobe"), QStringLiteral("Probe"),
                                             Tagged("probe"));
        TPicture Picture;
        Picture.LoadFromFile(QStringLiteral("/p/a.VKPROBE"));
        QCOMPARE(LoadedBy(Picture), QStringLiteral("probe"));
    }
};

VK_TEST_MAIN(QCoreApplication, PictureRegistryTest)
#include "test_picture_registry.moc"
