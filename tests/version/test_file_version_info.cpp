// The version reader: VS_VERSIONINFO blocks the tests write, a small PE file and ELF
// files the tests build, files that are no executable, our own executables, and hostile files
// that must leave the record empty without reading out of bounds.

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "support/ExecutableFiles.h"
#include "support/TestMain.h"
#include "version/ExecutableImage.h"
#include "version/FileVersionInfo.h"
#include "version/VersionBlock.h"
#include "version/VersionBlockWriter.h"

using namespace VersionBlock;
using vk_test::TImage;

namespace {

// The block most tests start from: every one of the twelve keys, flags and a DLL's type.
TVersionResource FullResource() {
    TVersionResource resource;
    resource.Fixed.FileVersionMS = 0x00010002;
    resource.Fixed.FileVersionLS = 0x000003EB;
    resource.Fixed.FileFlagsMask = 0x3F;
    resource.Fixed.FileFlags = 0x01 | 0x08;
    resource.Fixed.FileType = 2;
    resource.Strings = {
        {u"CompanyName", u"Kite Works"},
        {u"FileDescription", u"Resizer"},
        {u"FileVersion", u"1.2.0.1003"},
        {u"InternalName", u"resizer"},
        {u"LegalCopyRight", u"(C) Kite Works"},
        {u"LegalTradeMarks", u"Kite(TM)"},
        {u"OriginalFileName", u"resizer.exe"},
        {u"ProductName", u"Resizer Suite"},
        {u"ProductVersion", u"1.2"},
        {u"Comments", u"Caf\u00e9 \u20ac"},
        {u"SpecialBuild", u"special"},
        {u"PrivateBuild", u"private"},
    };
    return resource;
}

TFileVersionInfo FieldsOf(const std::vector<std::uint8_t>& Block) {
    TFileVersionInfo info;
    ReadVersionBlockFields(Block, info);
    return info;
}

TFileVersionInfo FieldsOfImage(const TImage& Image) {
    TFileVersionInfo info;
    ReadExecutableImageFields(Image, info);
    return info;
}

bool StringsEmpty(const TFileVersionInfo& Info) {
    for (const QString* text :
         {&Info.CompanyName, &Info.FileDescription, &Info.FileVersion, &Info.InternalName,
          &Info.LegalCopyRight, &Info.LegalTradeMarks, &Info.OriginalFileName, &Info.ProductName,
          &Info.ProductVersion, &Info.Comments, &Info.SpecialBuild, &Info.PrivateBuild})
        if (!text->isEmpty())
            return false;
    return true;
}

bool FlagsClear(const TFileVersionInfo& Info) {
    return !Info.IsDebug && !Info.IsPreRelease && !Info.IsSpecialBuild && !Info.IsPrivateBuild &&
           !Info.IsPatched && !Info.IsInfoInferred;
}

// Nothing but the shell's type name may be filled.
bool OnlyShellTypeName(const TFileVersionInfo& Info) {
    return StringsEmpty(Info) && FlagsClear(Info) && Info.FileTypeText.isEmpty();
}

QString WriteFile(const QTemporaryDir& Folder, const QString& Name, const QByteArray& Bytes) {
    const QString path = Folder.filePath(Name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Bytes) != Bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray Bytes(const std::vector<std::uint8_t>& Data) {
    return QByteArray(reinterpret_cast<const char*>(Data.data()),
                      static_cast<qsizetype>(Data.size()));
}

// Random changes to a valid image: bytes overwritten, cut short, stretched. Each variant goes
// through every entry point; the sanitizers catch any read out of bounds.
void Mutate(const std::vector<std::uint8_t>& Valid, quint32 Seed,
            const std::function<void(const std::vector<std::uint8_t>&)>& Use) {
    QRandomGenerator random(Seed);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes = Valid;
        const int changes = random.bounded(1, 6);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = random.bounded(static_cast<quint32>(bytes.size()));
            switch (random.bounded(4)) {
            case 0:
                bytes[at] = static_cast<std::uint8_t>(random.bounded(256));
                break;
            case 1:
                bytes[at] = 0xFF;
                break;
            case 2:
                bytes[at] = 0;
                break;
            default:
                bytes.resize(at + 1);
                break;
            }
        }
        // The exact size, so that a read one past the end is caught.
        Use(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
}

void UseEveryEntryPoint(const std::vector<std::uint8_t>& Bytes) {
    TFileVersionInfo info;
    ReadVersionBlockFields(Bytes, info);
    ReadExecutableImageFields(Bytes, info);
    QueryValue(Bytes, u"\\StringFileInfo\\040904B0\\FileVersion");
    ExecutableImage::FindElfSection(Bytes, ExecutableImage::kVersionSectionName);
    ExecutableImage::FindPeVersionResource(Bytes);
}

} // namespace

class TestFileVersionInfo : public QObject {
    Q_OBJECT

private slots:
    // ---- The small functions of the Part ----

    void textAfterLastDot_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        QTest::newRow("build number") << "1.2.0.1003"
                                      << "1003";
        QTest::newRow("no dot: whole text") << "1003"
                                            << "1003";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("ends with a dot") << "1.2."
                                         << "";
        QTest::newRow("dot alone") << "."
                                   << "";
        QTest::newRow("starts with a dot") << ".5"
                                           << "5";
        QTest::newRow("two dots in a row") << "1..7"
                                           << "7";
        QTest::newRow("text after the dot") << "0.1.0.beta"
                                            << "beta";
    }
    void textAfterLastDot() {
        QFETCH(QString, text);
        QFETCH(QString, after);
        QCOMPARE(TextAfterLastDot(text), after);
    }

    void fileTypeDescription_data() {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<quint32>("subtype");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* Name, quint32 Type, quint32 Subtype, const char* Text) {
            QTest::newRow(Name) << Type << Subtype << QString::fromLatin1(Text);
        };
        row("unknown", 0, 0, "Unknown");
        row("unknown, any subtype", 0, 77, "Unknown");
        row("application", 1, 0, "Application");
        row("application, any subtype", 1, 0xFFFFFFFF, "Application");
        row("dll", 2, 3, "DLL");
        const char* const drivers[] = {
            "Unknown Driver",    "Printer Driver", "Keyboard Driver",      "Language Driver",
            "Display Driver",    "Mouse Driver",   "Network Driver",       "System Driver",
            "InstallableDriver", "Sound Driver",   "Communications Driver"};
        for (quint32 subtype = 0; subtype < 11; ++subtype)
            QTest::addRow("driver %u", subtype)
                << 3u << subtype << QString::fromLatin1(drivers[subtype]);
        row("driver 11", 3, 11, "");
        row("driver 12", 3, 12, "");
        row("driver, largest subtype", 3, 0xFFFFFFFF, "");
        row("font 0", 4, 0, "Unknown Font");
        row("font 1", 4, 1, "Raster Font");
        row("font 2", 4, 2, "Vector Font");
        row("font 3", 4, 3, "Truetype Font");
        row("font 4", 4, 4, "");
        row("font 5", 4, 5, "");
        row("virtual device 4660", 5, 4660, "Virtual Defice Identifier = 00001234");
        row("virtual device 0", 5, 0, "Virtual Defice Identifier = 00000000");
        row("virtual device, hex letters", 5, 0xABCDEF12, "Virtual Defice Identifier = ABCDEF12");
        row("virtual device, largest", 5, 0xFFFFFFFF, "Virtual Defice Identifier = FFFFFFFF");
        row("type 6", 6, 0, "");
        row("static library", 7, 0, "Static-link Library");
        row("static library, any subtype", 7, 9, "Static-link Library");
        row("type 8", 8, 0, "");
        row("largest type", 0xFFFFFFFF, 1, "");
    }
    void fileTypeDescription() {
        QFETCH(quint32, type);
        QFETCH(quint32, subtype);
        QFETCH(QString, text);
        QCOMPARE(FileTypeDescription(type, subtype), text);
    }

    void hasFileFlag() {
        QVERIFY(HasFileFlag(0x3F, 0x01, 0x01));
        QVERIFY(!HasFileFlag(0x3E, 0x01, 0x01)); // set, but outside the mask
        QVERIFY(!HasFileFlag(0x3F, 0x00, 0x01)); // in the mask, not set
        QVERIFY(!HasFileFlag(0x00, 0xFF, 0x20));
        QVERIFY(HasFileFlag(0xFFFFFFFF, 0xFFFFFFFF, 0x10));
    }

    // ---- Blocks the tests write ----

    void aFullBlockFillsEveryField() {
        const TFileVersionInfo info = FieldsOf(WriteVersionResource(FullResource()));
        QCOMPARE(info.CompanyName, "Kite Works");
        QCOMPARE(info.FileDescription, "Resizer");
        QCOMPARE(info.FileVersion, "1.2.0.1003");
        QCOMPARE(info.InternalName, "resizer");
        QCOMPARE(info.LegalCopyRight, "(C) Kite Works");
        QCOMPARE(info.LegalTradeMarks, "Kite(TM)");
        QCOMPARE(info.OriginalFileName, "resizer.exe");
        QCOMPARE(info.ProductName, "Resizer Suite");
        QCOMPARE(info.ProductVersion, "1.2");
        QCOMPARE(info.Comments, QStringLiteral(u"Caf\u00e9 \u20ac"));
        QCOMPARE(info.SpecialBuild, "special");
        QCOMPARE(info.PrivateBuild, "private");
        QCOMPARE(info.FileTypeText, "DLL");
        QVERIFY(info.IsDebug);
        QVERIFY(info.IsPrivateBuild);
        QVERIFY(!info.IsPreRelease && !info.IsSpecialBuild && !info.IsPatched &&
                !info.IsInfoInferred);
        QVERIFY(info.ShellTypeName.isEmpty());
        QCOMPARE(TextAfterLastDot(info.FileVersion), "1003");
    }

    void keysMatchWithoutRegardToCase() {
        TVersionResource resource = FullResource();
        // The keys as Windows resource compilers usually spell them.
        resource.Strings = {{u"LegalCopyright", u"(C) K"},
                            {u"LegalTrademarks", u"TM"},
                            {u"OriginalFilename", u"k.exe"},
                            {u"FILEVERSION", u"3.4"}};
        const std::vector<std::uint8_t> block = WriteVersionResource(resource);
        const TFileVersionInfo info = FieldsOf(block);
        QCOMPARE(info.LegalCopyRight, "(C) K");
        QCOMPARE(info.LegalTradeMarks, "TM");
        QCOMPARE(info.OriginalFileName, "k.exe");
        QCOMPARE(info.FileVersion, "3.4");
        QCOMPARE(QueryVersionString(block, QStringLiteral("legalcopyright")), "(C) K");
        // The path's fixed parts too, and the string table's key in lower-case hexadecimal.
        resource.StringTableKey = u"040904b0";
        const std::vector<std::uint8_t> lower = WriteVersionResource(resource);
        QCOMPARE(QueryVersionString(lower, QStringLiteral("FileVersion")), "3.4");
        QVERIFY(QueryValue(lower, u"\\stringfileinfo\\040904B0\\fileversion").has_value());
        QVERIFY(QueryValue(lower, u"\\VARFILEINFO\\translation").has_value());
        // Only ASCII letters fold: a key differing in another letter is another key.
        QVERIFY(!QueryValue(lower, u"\\StringFileInfo\\040904B0\\FileVersi\u00d3n").has_value());
    }

    void aMissingTranslationTableLeavesTheStringsEmpty() {
        TVersionResource resource = FullResource();
        resource.WithTranslation = false;
        const TFileVersionInfo info = FieldsOf(WriteVersionResource(resource));
        QVERIFY(StringsEmpty(info));
        QCOMPARE(info.FileTypeText, "DLL");
        QVERIFY(info.IsDebug);
        QVERIFY(info.IsPrivateBuild);
    }

    void onlyTheFirstTranslationIsUsed() {
        // The table names 0407/04E4 first, then the 0409/04B0 the strings are under: no fallback.
        TVersionResource resource = FullResource();
        resource.WithTranslation = false;
        TNodeToWrite root = ResourceNode(resource);
        TNodeToWrite translation;
        translation.Key = u"Translation";
        translation.Value = {0x07, 0x04, 0xE4, 0x04, 0x09, 0x04, 0xB0, 0x04};
        TNodeToWrite varFileInfo;
        varFileInfo.Type = 1;
        varFileInfo.Key = u"VarFileInfo";
        varFileInfo.Children.push_back(translation);
        root.Children.push_back(varFileInfo);
        const std::vector<std::uint8_t> block = WriteNode(root);
        QCOMPARE(QueryFirstTranslation(block), std::optional<std::uint32_t>(0x04E40407));
        QVERIFY(StringsEmpty(FieldsOf(block)));
        QCOMPARE(FieldsOf(block).FileTypeText, "DLL");
    }

    void theStringPathUsesUpperCaseDigits() {
        QCOMPARE(QString::fromStdU16String(StringPath(0x04E40809, u"Comments")),
                 "\\StringFileInfo\\080904E4\\Comments");
        QCOMPARE(QString::fromStdU16String(StringPath(0xFFFF000A, u"")),
                 "\\StringFileInfo\\000AFFFF\\");
        TVersionResource resource = FullResource();
        resource.Language = 0x0C0A;
        resource.CodePage = 0x04E4;
        QCOMPARE(FieldsOf(WriteVersionResource(resource)).ProductName, "Resizer Suite");
    }

    void flagsOutsideTheMaskReadFalse() {
        TVersionResource resource = FullResource();
        resource.Fixed.FileFlags = 0x3F;
        resource.Fixed.FileFlagsMask = 0x02 | 0x20; // pre-release and special build only
        TFileVersionInfo info = FieldsOf(WriteVersionResource(resource));
        QVERIFY(info.IsPreRelease && info.IsSpecialBuild);
        QVERIFY(!info.IsDebug && !info.IsPrivateBuild && !info.IsPatched && !info.IsInfoInferred);
        // Each flag with its own bit.
        const std::pair<std::uint32_t, bool TFileVersionInfo::*> bits[] = {
            {0x01, &TFileVersionInfo::IsDebug},        {0x02, &TFileVersionInfo::IsPreRelease},
            {0x04, &TFileVersionInfo::IsPatched},      {0x08, &TFileVersionInfo::IsPrivateBuild},
            {0x10, &TFileVersionInfo::IsInfoInferred}, {0x20, &TFileVersionInfo::IsSpecialBuild}};
        for (const auto& [bit, field] : bits) {
            resource.Fixed.FileFlagsMask = 0xFFFFFFFF;
            resource.Fixed.FileFlags = bit;
            info = FieldsOf(WriteVersionResource(resource));
            QVERIFY(info.*field);
            resource.Fixed.FileFlagsMask = ~bit;
            resource.Fixed.FileFlags = 0xFFFFFFFF;
            info = FieldsOf(WriteVersionResource(resource));
            QVERIFY(!(info.*field));
        }
    }

    void aRootWithoutFixedInformationLeavesFlagsAndTypeEmpty() {
        TVersionResource resource = FullResource();
        resource.Fixed.FileFlags = resource.Fixed.FileFlagsMask = 0x3F;
        resource.Fixed.Signature = 0xFEEF04BC;
        TFileVersionInfo info = FieldsOf(WriteVersionResource(resource));
        QVERIFY(FlagsClear(info));
        QVERIFY(info.FileTypeText.isEmpty());
        QCOMPARE(info.FileVersion, "1.2.0.1003"); // the strings do not depend on it
        // A root value shorter than VS_FIXEDFILEINFO.
        TNodeToWrite root = ResourceNode(FullResource());
        root.Value.resize(48);
        info = FieldsOf(WriteNode(root));
        QVERIFY(FlagsClear(info) && info.FileTypeText.isEmpty());
        QCOMPARE(info.ProductName, "Resizer Suite");
    }

    void stringValuesEndAtTheFirstNul() {
        TVersionResource resource = FullResource();
        resource.Strings = {{u"FileVersion", std::u16string(u"1.0\0hidden", 10)},
                            {u"Comments", u""}};
        const TFileVersionInfo info = FieldsOf(WriteVersionResource(resource));
        QCOMPARE(info.FileVersion, "1.0");
        QVERIFY(info.Comments.isEmpty());
    }

    void sameBlockInsideAPeAndAnElfFile() {
        const std::vector<std::uint8_t> block = WriteVersionResource(FullResource());
        for (const TImage& image :
             {vk_test::MakePeImage(block), vk_test::MakePeImage(block, true),
              vk_test::MakeElfImage({{".text", {0xC3}}, {".vk_version", block}}),
              vk_test::MakeElfImage({{".vk_version", block}}, true)}) {
            const TFileVersionInfo info = FieldsOfImage(image);
            QCOMPARE(info.FileVersion, "1.2.0.1003");
            QCOMPARE(info.FileTypeText, "DLL");
            QVERIFY(info.IsDebug);
        }
        // Another section name, or a block that is not in an executable, is nothing.
        QVERIFY(OnlyShellTypeName(FieldsOfImage(vk_test::MakeElfImage({{".vk_versio", block}}))));
        QVERIFY(
            OnlyShellTypeName(FieldsOfImage(vk_test::MakeElfImage({{".vk_version_x", block}}))));
        QVERIFY(OnlyShellTypeName(FieldsOfImage(block)));
    }

    // ---- Files on disk ----

    void aSmallPeFileOnDisk() {
        QTemporaryDir folder;
        const std::vector<std::uint8_t> block = WriteVersionResource(FullResource());
        for (const bool plus : {false, true}) {
            const QString path = WriteFile(folder, plus ? "tool64.exe" : "tool.exe",
                                           Bytes(vk_test::MakePeImage(block, plus)));
            TFileVersionInfo info;
            info.Comments = QStringLiteral("stale");
            ReadFileVersionInfo(path, info);
            QVERIFY(!info.ShellTypeName.isEmpty());
            QVERIFY(info.ShellTypeName.size() <= 80);
            QCOMPARE(info.FileVersion, "1.2.0.1003");
            QCOMPARE(info.OriginalFileName, "resizer.exe");
            QCOMPARE(info.FileTypeText, "DLL");
            QVERIFY(info.IsDebug && info.IsPrivateBuild);
            QCOMPARE(info.Comments, QStringLiteral(u"Caf\u00e9 \u20ac"));
        }
        // The same bytes under a name that says nothing: the magic bytes decide.
        TFileVersionInfo info;
        ReadFileVersionInfo(WriteFile(folder, "no-extension", Bytes(vk_test::MakePeImage(block))),
                            info);
        QCOMPARE(info.FileVersion, "1.2.0.1003");
    }

    void aFileThatIsNoExecutableFillsOnlyTheTypeName() {
        QTemporaryDir folder;
        QImage picture(4, 3, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString png = folder.filePath("picture.png");
        QVERIFY(picture.save(png));
        // A version block alone, without an executable around it, in a file named like one.
        const std::vector<std::uint8_t> block = WriteVersionResource(FullResource());
        const QString text = WriteFile(folder, "notes.txt", "FileVersion 1.2.3.4\n");
        const QString blockFile = WriteFile(folder, "block.exe", Bytes(block));
        // "MZ" without a PE header.
        const QString dos = WriteFile(folder, "old.com", "MZ" + QByteArray(200, '\0'));
        for (const QString& path : {png, text, blockFile, dos}) {
            TFileVersionInfo info;
            info.FileVersion = QStringLiteral("stale");
            info.IsDebug = true;
            ReadFileVersionInfo(path, info);
            QVERIFY2(!info.ShellTypeName.isEmpty(), qPrintable(path));
            QVERIFY2(OnlyShellTypeName(info), qPrintable(path));
        }
        TFileVersionInfo info;
        ReadFileVersionInfo(png, info);
        QCOMPARE(info.ShellTypeName, QMimeDatabase().mimeTypeForName("image/png").comment());
    }

    void whatCannotBeReadLeavesEverythingEmpty() {
        QTemporaryDir folder;
        TFileVersionInfo info;
        info.ShellTypeName = QStringLiteral("stale");
        ReadFileVersionInfo(folder.filePath("missing.exe"), info);
        QVERIFY(info.ShellTypeName.isEmpty() && OnlyShellTypeName(info));
        ReadFileVersionInfo(QString(), info);
        QVERIFY(info.ShellTypeName.isEmpty() && OnlyShellTypeName(info));
        // A folder and a pipe named like executables: named, never read (a pipe would block).
        const std::string fifo = QFile::encodeName(folder.filePath("pipe.exe")).toStdString();
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        QVERIFY(QDir(folder.path()).mkdir("folder.exe"));
        for (const QString name : {"pipe.exe", "folder.exe"}) {
            ReadFileVersionInfo(folder.filePath(name), info);
            QVERIFY(OnlyShellTypeName(info));
        }
        ReadFileVersionInfo(QStringLiteral("/dev/zero"), info);
        QVERIFY(OnlyShellTypeName(info));
    }

    void ourOwnExecutablesCarryTheBuildNumber_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("description");
        QTest::newRow("vellumkite") << QStringLiteral(VK_APP_EXECUTABLE) << "Vellumkite";
        QTest::newRow("vellumkite-batch")
            << QStringLiteral(VK_BATCH_EXECUTABLE) << "Vellumkite batch resizer";
    }
    void ourOwnExecutablesCarryTheBuildNumber() {
        QFETCH(QString, path);
        QFETCH(QString, description);
        TFileVersionInfo info;
        ReadFileVersionInfo(path, info);
        QCOMPARE(info.FileVersion, QStringLiteral(VK_PROJECT_VERSION "." VK_BUILD_NUMBER));
        QCOMPARE(QStringLiteral("Build ") + TextAfterLastDot(info.FileVersion),
                 QStringLiteral("Build " VK_BUILD_NUMBER));
        QCOMPARE(info.ProductName, "Vellumkite");
        QCOMPARE(info.ProductVersion, VK_PROJECT_VERSION);
        QCOMPARE(info.FileDescription, description);
        QCOMPARE(info.InternalName, QFileInfo(path).fileName());
        QCOMPARE(info.OriginalFileName, QFileInfo(path).fileName());
        QVERIFY(info.LegalCopyRight.startsWith("Copyright"));
        QVERIFY(!info.CompanyName.isEmpty());
        QCOMPARE(info.FileTypeText, "Application");
        QVERIFY(!info.ShellTypeName.isEmpty());
        QVERIFY(!info.IsPreRelease && !info.IsPatched && !info.IsSpecialBuild &&
                !info.IsPrivateBuild);
    }

    // ---- Hostile blocks and images ----

    void hostileBlocks() {
        const std::vector<std::uint8_t> valid = WriteVersionResource(FullResource());
        // Every prefix: lengths that overrun the bytes there are.
        for (std::size_t size = 0; size <= valid.size(); ++size) {
            const std::vector<std::uint8_t> cut(valid.begin(),
                                                valid.begin() + static_cast<std::ptrdiff_t>(size));
            UseEveryEntryPoint(cut);
        }
        // A child of wLength 0 (or below its header) would loop for ever: it ends the list.
        TNodeToWrite root = ResourceNode(FullResource());
        std::vector<std::uint8_t> block = WriteNode(root);
        const std::size_t firstChild = 40 + 52; // header and "VS_VERSION_INFO\0" padded, value
        for (const std::uint16_t length : {0, 1, 5, 6, 7}) {
            std::vector<std::uint8_t> bad = block;
            vk_test::PutLE(bad, firstChild, length, 2);
            QVERIFY(StringsEmpty(FieldsOf(bad)));
            QCOMPARE(FieldsOf(bad).FileTypeText, "DLL");
        }
        // Lengths that overrun: the root and a child claim 0xFFFF bytes.
        std::vector<std::uint8_t> overrun = block;
        vk_test::PutLE(overrun, 0, 0xFFFF, 2);
        vk_test::PutLE(overrun, firstChild, 0xFFFF, 2);
        UseEveryEntryPoint(overrun);
        // A value length past the node's end, a key without its NUL, a text value without one.
        TNodeToWrite longValue = root;
        longValue.ValueLength = 0xFFFF;
        UseEveryEntryPoint(WriteNode(longValue));
        std::vector<std::uint8_t> noNul(6, 0);
        vk_test::PutLE(noNul, 0, 12, 2);
        noNul.insert(noNul.end(), {'V', 0, 'S', 0, '_', 0});
        UseEveryEntryPoint(noNul);
        TVersionResource unterminated = FullResource();
        TNodeToWrite node = ResourceNode(unterminated);
        node.Children[0].Children[0].Children[2].Value.resize(6); // "1.2" without its NUL
        const std::vector<std::uint8_t> open = WriteNode(node);
        QCOMPARE(FieldsOf(open).FileVersion, "1.2");
        // Deep nesting costs nothing: the path is three keys long.
        TNodeToWrite deep;
        deep.Key = u"StringFileInfo";
        for (int level = 0; level < 500; ++level) {
            TNodeToWrite outer;
            outer.Key = u"StringFileInfo";
            outer.Children.push_back(std::move(deep));
            deep = std::move(outer);
        }
        UseEveryEntryPoint(WriteNode(deep));
        Mutate(valid, 1, UseEveryEntryPoint);
    }

    void hostilePeFiles() {
        const std::vector<std::uint8_t> block = WriteVersionResource(FullResource());
        vk_test::TPeLayout layout;
        const TImage valid = vk_test::MakePeImage(block, false, &layout);
        QCOMPARE(FieldsOfImage(valid).FileVersion, "1.2.0.1003");
        const std::size_t r = vk_test::TPeLayout::Resources;
        const auto spoilt = [&](std::size_t Offset, std::uint64_t Value, unsigned Size) {
            TImage image = valid;
            vk_test::PutLE(image, Offset, Value, Size);
            return image;
        };
        const std::vector<std::pair<const char*, TImage>> cases = {
            {"e_lfanew past the end", spoilt(0x3C, 0xFFFFFFF0, 4)},
            {"e_lfanew at the last bytes", spoilt(0x3C, valid.size() - 2, 4)},
            {"no PE signature", spoilt(vk_test::TPeLayout::PeHeader, 0x4C50, 4)},
            {"unknown optional magic", spoilt(vk_test::TPeLayout::Optional, 0x107, 2)},
            {"optional header too small", spoilt(vk_test::TPeLayout::Coff + 16, 64, 2)},
            {"two data directories", spoilt(vk_test::TPeLayout::Optional + 92, 2, 4)},
            {"section table past the end", spoilt(vk_test::TPeLayout::Coff + 16, 0xFFFF, 2)},
            {"65535 sections", spoilt(vk_test::TPeLayout::Coff + 2, 0xFFFF, 2)},
            {"no sections", spoilt(vk_test::TPeLayout::Coff + 2, 0, 2)},
            {"resource RVA outside every section",
             spoilt(layout.ResourceDirectoryEntry, 0x9000, 4)},
            {"resource RVA of 0", spoilt(layout.ResourceDirectoryEntry, 0, 4)},
            {"raw data past the end", spoilt(layout.SectionTable + 20, 0xFFFFF000, 4)},
            {"section at the top of the address space",
             spoilt(layout.SectionTable + 12, 0xFFFFFFFF, 4)},
            {"65535 named and 65535 id entries", spoilt(r + 12, 0xFFFFFFFF, 4)},
            {"no version type", spoilt(r + 16, 3, 4)},
            {"type entry is data", spoilt(r + 20, vk_test::TPeLayout::NameDirectory, 4)},
            {"type directory past the end", spoilt(r + 20, 0xFFFFFFFF, 4)},
            {"name directory points back at the root",
             spoilt(r + vk_test::TPeLayout::NameDirectory + 20, 0x80000000u, 4)},
            {"language entry is a directory",
             spoilt(r + vk_test::TPeLayout::LanguageDirectory + 20, 0x80000000u | 0x18, 4)},
            {"data entry past the end",
             spoilt(r + vk_test::TPeLayout::LanguageDirectory + 20, 0x7FFFFFF0, 4)},
            {"data RVA past the section", spoilt(r + vk_test::TPeLayout::DataEntry, 0x7FFFFFFF, 4)},
            {"data size past the section",
             spoilt(r + vk_test::TPeLayout::DataEntry + 4, 0xFFFFFFFF, 4)},
        };
        for (const auto& [name, image] : cases) {
            UseEveryEntryPoint(image);
            const TFileVersionInfo info = FieldsOfImage(image);
            QVERIFY2(info.FileVersion.isEmpty(), name);
        }
        // A section that claims more raw bytes than the file holds: what lies in the file is read.
        QCOMPARE(FieldsOfImage(spoilt(layout.SectionTable + 16, 0xFFFFFFFF, 4)).FileVersion,
                 "1.2.0.1003");
        // Every prefix of the file.
        for (std::size_t size = 0; size <= valid.size(); size += 7)
            UseEveryEntryPoint(
                TImage(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(size)));
        Mutate(valid, 2, UseEveryEntryPoint);
        Mutate(vk_test::MakePeImage(block, true), 3, UseEveryEntryPoint);
    }

    void hostileElfFiles() {
        const std::vector<std::uint8_t> block = WriteVersionResource(FullResource());
        vk_test::TElfLayout layout;
        const TImage valid = vk_test::MakeElfImage({{".vk_version", block}}, false, &layout);
        QCOMPARE(FieldsOfImage(valid).FileVersion, "1.2.0.1003");
        const std::size_t sh = layout.SectionHeaders;
        const auto spoilt = [&](std::size_t Offset, std::uint64_t Value, unsigned Size) {
            TImage image = valid;
            vk_test::PutLE(image, Offset, Value, Size);
            return image;
        };
        const std::vector<std::pair<const char*, TImage>> cases = {
            {"unknown class", spoilt(4, 3, 1)},
            {"unknown byte order", spoilt(5, 0, 1)},
            {"section headers past the end", spoilt(0x28, 0xFFFFFFFFFFFFFF00ull, 8)},
            {"section headers at the last bytes", spoilt(0x28, valid.size() - 8, 8)},
            {"header entries too small", spoilt(0x3A, 16, 2)},
            {"65535 sections", spoilt(0x3C, 0xFFFF, 2)},
            {"names index past the count", spoilt(0x3E, 7, 2)},
            {"huge count in section 0",
             [&] {
                 TImage image = spoilt(0x3C, 0, 2);
                 vk_test::PutLE(image, sh + 32, 0xFFFFFFFFFFFFFFFFull, 8);
                 return image;
             }()},
            {"names index in section 0 past the count",
             [&] {
                 TImage image = spoilt(0x3E, 0xFFFF, 2);
                 vk_test::PutLE(image, sh + 40, 0xFFFFFFFF, 4);
                 return image;
             }()},
            {"names past the end", spoilt(sh + 2 * 64 + 24, 0xFFFFFFFFFFFFFFF0ull, 8)},
            {"names larger than the file", spoilt(sh + 2 * 64 + 32, 0xFFFFFFFFFFFFFFF0ull, 8)},
            {"name offset past the names", spoilt(sh + 64, 0xFFFFFFFF, 4)},
            {"section bytes past the end", spoilt(sh + 64 + 24, 0xFFFFFFFFFFFFFFF0ull, 8)},
            {"section size past the end", spoilt(sh + 64 + 32, 0x7FFFFFFFFFFFFFFFull, 8)},
            {"section without bytes", spoilt(sh + 64 + 4, 8, 4)},
            {"names without a final NUL",
             [&] {
                 TImage image = valid;
                 const std::size_t namesSize = 1 + 12 + 10;
                 image[layout.Names + namesSize - 1] = 'x';
                 image[layout.Names + 12] = 'x'; // ".vk_version" runs into ".shstrtab"
                 return image;
             }()},
        };
        for (const auto& [name, image] : cases) {
            UseEveryEntryPoint(image);
            QVERIFY2(FieldsOfImage(image).FileVersion.isEmpty(), name);
        }
        // Section 0 holding the real count and names index (more than 0xFF00 sections).
        TImage extended = spoilt(0x3C, 0, 2);
        vk_test::PutLE(extended, 0x3E, 0xFFFF, 2);
        vk_test::PutLE(extended, sh + 32, 3, 8);
        vk_test::PutLE(extended, sh + 40, 2, 4);
        QCOMPARE(FieldsOfImage(extended).FileVersion, "1.2.0.1003");
        for (std::size_t size = 0; size <= valid.size(); size += 5)
            UseEveryEntryPoint(
                TImage(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(size)));
        Mutate(valid, 4, UseEveryEntryPoint);
        Mutate(vk_test::MakeElfImage({{".vk_version", block}}, true), 5, UseEveryEntryPoint);
    }
};

VK_TEST_MAIN(QCoreApplication, TestFileVersionInfo)
#include "test_file_version_info.moc"
