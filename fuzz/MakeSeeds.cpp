// make-seeds FOLDER: writes the seed corpus into FOLDER, a folder for each kind of input, with
// the same writers and builders the program and the tests use. The corpus is kept in the tree;
// run fuzz/run --seeds to write it again.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <QByteArray>

#include "FuzzInputs.h"
#include "batch/WorkerProtocol.h"
#include "platform/Errors.h"
#include "settings/Settings.h"
#include "support/ExecutableFiles.h"
#include "version/VersionBlockWriter.h"

using namespace VersionBlock;

namespace {

bool Write(const std::string& Path, const std::vector<std::uint8_t>& Bytes) {
    std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()),
              static_cast<std::streamsize>(Bytes.size()));
    return static_cast<bool>(out);
}

bool Write(const std::string& Path, const QByteArray& Bytes) {
    return Write(Path, std::vector<std::uint8_t>(Bytes.begin(), Bytes.end()));
}

// A reader's choice byte, then its bytes (FuzzInputs.h).
QByteArray Picked(std::uint8_t Reader, const QByteArray& Bytes) {
    return QByteArray(1, static_cast<char>(Reader)) + Bytes;
}

TVersionResource Resource() {
    TVersionResource resource;
    resource.Fixed.FileVersionMS = 0x00000001;
    resource.Fixed.FileVersionLS = 0x0000002A;
    resource.Fixed.FileFlagsMask = 0x3F;
    resource.Fixed.FileFlags = 0x21;
    resource.Fixed.FileType = 3;
    resource.Fixed.FileSubtype = 8;
    resource.Strings = {{u"CompanyName", u"Kite"},        {u"FileVersion", u"0.1.0.42"},
                        {u"LegalCopyright", u"(C) Kite"}, {u"ProductName", u"Vellumkite"},
                        {u"Comments", u"caf\u00e9"},      {u"PrivateBuild", u""}};
    return resource;
}

// A JPEG segment: its marker, its length and its bytes.
QByteArray Segment(std::uint8_t Marker, const QByteArray& Bytes) {
    const auto length = Bytes.size() + 2;
    return QByteArray("\xFF") + char(Marker) + char(length >> 8) + char(length & 0xFF) + Bytes;
}

// A baseline or progressive frame header of Width x Height with three components.
QByteArray Frame(std::uint8_t Marker, int Width, int Height) {
    return Segment(Marker, QByteArray("\x08", 1) + char(Height >> 8) + char(Height & 0xFF) +
                               char(Width >> 8) + char(Width & 0xFF) +
                               QByteArray("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10));
}

// An EXIF block whose first folder holds the orientation, as a short or a long.
QByteArray Exif(bool BigEndian, bool Long, int Orientation) {
    vk_test::TImage tiff;
    const auto put = BigEndian ? vk_test::PutBE : vk_test::PutLE;
    vk_test::PutText(tiff, 0, BigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4));
    put(tiff, 4, 8, 4);
    put(tiff, 8, 2, 2);
    put(tiff, 10, 0x010F, 2); // the camera's make, before the orientation
    put(tiff, 12, 2, 2);
    put(tiff, 14, 4, 4);
    put(tiff, 18, 0x6F6B6956, 4);
    put(tiff, 22, 0x0112, 2);
    put(tiff, 24, Long ? 4 : 3, 2);
    put(tiff, 26, 1, 4);
    put(tiff, 30, static_cast<std::uint64_t>(Orientation) << (BigEndian && !Long ? 16 : 0), 4);
    put(tiff, 34, 0, 4);
    return QByteArray("Exif\0\0", 6) + QByteArray(reinterpret_cast<const char*>(tiff.data()),
                                                  static_cast<qsizetype>(tiff.size()));
}

bool WriteJpegSeeds(const std::string& Folder) {
    const QByteArray soi("\xFF\xD8");
    const QByteArray jfif = Segment(0xE0, QByteArray("JFIF\0\x01\x01\x00\0\x01\0\x01\0\0", 14));
    const QByteArray scan =
        Segment(0xDA, QByteArray("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10)) +
        QByteArray("\x12\x34\xFF\x00\xFF\xD9", 6);
    bool ok = true;
    ok &= Write(Folder + "/baseline.jpg", soi + jfif + Frame(0xC0, 640, 480) + scan);
    ok &= Write(Folder + "/exif-big-endian.jpg",
                soi + Segment(0xE1, Exif(true, false, 6)) + Frame(0xC2, 4000, 3000) + scan);
    ok &= Write(Folder + "/exif-little-endian-long.jpg",
                soi + Segment(0xE1, QByteArray("XMP\0", 4)) + Segment(0xE1, Exif(false, true, 8)) +
                    Frame(0xC1, 17, 65535) + scan);
    ok &= Write(Folder + "/fill-and-restart.jpg",
                soi + QByteArray("\xFF\xFF\xFF\xD0\xFF\x01", 6) + jfif + Frame(0xC0, 1, 1));
    ok &= Write(Folder + "/height-later.jpg", soi + Frame(0xC0, 640, 0) + scan);
    ok &= Write(Folder + "/cut-short.jpg", soi + jfif + Frame(0xC0, 640, 480).chopped(3));
    return ok;
}

bool WriteSignatureSeeds(const std::string& Folder) {
    const std::pair<const char*, QByteArray> heads[] = {
        {"png", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16)},
        {"gif", "GIF89a"},
        {"tiff", QByteArray("MM\0*\0\0\0\x08", 8)},
        {"webp", QByteArray("RIFF\x24\0\0\0WEBPVP8 ", 16)},
        {"avi", QByteArray("RIFF\x24\0\0\0AVI LIST", 16)},
        {"heic", QByteArray("\0\0\0\x18"
                            "ftypmif1\0\0\0\0"
                            "mif1heic",
                            24)},
        {"mp4", QByteArray("\0\0\0\x1C"
                           "ftypisom\0\0\x02\0"
                           "isomiso2mp41",
                           28)},
        {"bmp", QByteArray("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0", 20)},
        {"ico", QByteArray("\0\0\x01\0\x01\0\x10\x10", 8)},
        {"pcx", QByteArray("\x0A\x05\x01\x08\0\0\0\0", 8)},
        {"targa", QByteArray("\0\0\x02\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x18\x20", 18)},
        {"xbm", "#define icon_width 16\n#define icon_height 16\n"},
        {"ppm", "P6\n16 16\n255\n"},
        {"dicom", QByteArray(128, '\0') + "DICM"},
        {"text", "A note beside the pictures.\n"},
    };
    bool ok = true;
    for (const auto& [name, head] : heads)
        ok &= Write(Folder + "/" + name, head);
    return ok;
}

bool WriteSettingsSeeds(const std::string& Folder) {
    TSettings changed;
    changed.JPGQuality = 0;
    changed.ThumbWidth = -1;
    changed.LargeHeight = 65500;
    changed.ProcessMedium = false;
    changed.RQHigh = true;
    changed.FilesAtOnce = 3;
    changed.OutputFormat = ofSameAsSource;
    changed.KeepDates = true;
    changed.OutputFolder = QString::fromUtf8("/home/u/Pictures/R\xC3\xA9"
                                             "duites");
    try {
        SaveSettings(changed, TSettingsFile(QString::fromStdString(Folder + "/saved.ini")));
    } catch (const Exception&) {
        return false;
    }
    return Write(Folder + "/hand-edited.ini",
                 QByteArray("\xEF\xBB\xBF; written by hand\r\n"
                            "[Other]\r\nJPG_QUALITY=1\r\n\r\n"
                            "[ options ]\r\n"
                            "  jpg_quality = $5A \r\n"
                            "Thumb_Width=0x40\r\n"
                            "THUMB_HEIGHT=-2147483648\r\n"
                            "MEDIUM_WIDTH=2147483648\r\n"
                            "LARGE_WIDTH=800\r600\r\n"
                            "# PROCESS_LARGE=0\r\n"
                            "RQ_HIGH = \"1\"\r\n"
                            "OUTPUT_FOLDER = '/mnt/photos/to sort '\r\n"
                            "[Options]\r\nSKIP_EXISTING=1"));
}

bool WriteReplySeeds(const std::string& Folder) {
    using namespace vk_fuzz;
    const QByteArray jpeg("\xFF\xD8\xFF\xE0");
    TPhotoOutputs made;
    made.Decoded = true;
    made.PartialReadReason = QStringLiteral("Premature end of JPEG file");
    made.Outputs = {{osLarge, {600, 450}, jpeg, {}},
                    {osMedium, {350, 262}, {}, QStringLiteral("No space left on device")},
                    {osThumb, {100, 75}, jpeg, {}}};
    TPhotoOutputs tiny;
    tiny.Decoded = true;
    tiny.Outputs = {{osLarge, {1, 3}, jpeg, {}}, {osThumb, {1, 1}, jpeg, {}}};
    TPhotoOutputs failed;
    failed.Failure = QStringLiteral("improper image header");
    const TPreviewPicture enlarged{true, {16, 12}, {8, 6}, QByteArray(3 * 8 * 6, '\x7F')};
    const TPreviewPicture small{true, {4, 3}, {4, 3}, QByteArray(3 * 4 * 3, '\x20')};
    bool ok = true;
    for (const auto kind :
         {TWorkerMessage::Ready, TWorkerMessage::Outputs, TWorkerMessage::PreviewPicture})
        ok &= Write(Folder + "/header-" + std::to_string(static_cast<int>(kind)),
                    Picked(rrHeader, QByteArray(1, char(kind)) + MessageHeader(kind, 4096)));
    ok &= Write(Folder + "/outputs",
                Picked(rrOutputs, QByteArray(1, char(7)) + EncodePhotoOutputs(made)));
    ok &= Write(Folder + "/outputs-tiny",
                Picked(rrOutputs, QByteArray(1, char(0x0D)) + EncodePhotoOutputs(tiny)));
    ok &= Write(Folder + "/outputs-failed",
                Picked(rrOutputs, QByteArray(1, char(7)) + EncodePhotoOutputs(failed)));
    ok &= Write(Folder + "/ready", Picked(rrReady, EncodeReady({true, {}})));
    ok &= Write(Folder + "/ready-unlocked",
                Picked(rrReady, EncodeReady({false, QStringLiteral("Landlock: not supported")})));
    // LongSideFrom(0, 7) is 8.
    ok &= Write(
        Folder + "/preview-enlarged",
        Picked(rrPreviewPicture, QByteArray("\0\x07\x01", 3) + EncodePreviewPicture(enlarged)));
    ok &= Write(Folder + "/preview-small",
                Picked(rrPreviewPicture, QByteArray("\0\x07\0", 3) + EncodePreviewPicture(small)));
    ok &= Write(
        Folder + "/probe-result",
        Picked(rrProbeResult, EncodeProbeResult({QStringLiteral("open: Operation not permitted"),
                                                 QStringLiteral("fork: refused")})));
    // A count of lines that the bytes after it cannot hold.
    ok &= Write(Folder + "/probe-result-count",
                Picked(rrProbeResult, QByteArray("\xFF\xFF\xFF\xF0\0\0\0\0", 8)));
    return ok;
}

bool WriteRequestSeeds(const std::string& Folder) {
    using namespace vk_fuzz;
    TWorkRequest work{QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF", 10), QStringLiteral("jpg"),
                      PlanFrom(7)};
    TWorkRequest png{QByteArray("\x89PNG\r\n\x1A\n", 8), QStringLiteral("PNG"), PlanFrom(0x0C)};
    png.Plan.Format = TOutputFormat::Png;
    png.Plan.HighQuality = png.Plan.StripMetadata = png.Plan.NeverEnlarge = true;
    png.Plan.Quality = 0;
    const TPreviewRequest preview{QByteArray("GIF89a", 6), QStringLiteral("gif"), 300, false};
    const TWorkerStart start{std::uint64_t{3} << 30, 60, false, 4242};
    const TWorkerStart testing{0, 1, true, 1};
    const auto joined = [](const QStringList& Arguments) {
        QByteArray bytes;
        for (const QString& argument : Arguments)
            bytes += argument.toUtf8() + '\0';
        return bytes.chopped(1);
    };
    QByteArray fields(21, '\0');
    std::memcpy(fields.data(), &start.AddressSpaceBytes, 8);
    std::memcpy(fields.data() + 8, &start.CpuSecondsPerFile, 4);
    std::memcpy(fields.data() + 12, &start.ParentPid, 8);
    bool ok = true;
    ok &= Write(Folder + "/work", Picked(qrWork, work.Source + WorkRequestTrailer(work)));
    ok &= Write(Folder + "/work-png", Picked(qrWork, png.Source + WorkRequestTrailer(png)));
    ok &= Write(Folder + "/preview",
                Picked(qrPreview, preview.Source + PreviewRequestTrailer(preview)));
    ok &= Write(Folder + "/probe",
                Picked(qrProbe, EncodeProbeRequest({QStringLiteral("/etc/hostname"),
                                                    QStringLiteral("/tmp/vk-probe"),
                                                    QStringLiteral("/bin/true")})));
    ok &= Write(Folder + "/arguments", Picked(qrArguments, joined(WorkerArguments(start))));
    ok &=
        Write(Folder + "/arguments-testing", Picked(qrArguments, joined(WorkerArguments(testing))));
    ok &= Write(Folder + "/start", Picked(qrStart, fields));
    return ok;
}

bool WriteMimeSeeds(const std::string& Folder) {
    // The first byte: 1 the copied-files list, 2 the URI list (FuzzInputs.h has the rest).
    return Write(Folder + "/uri-list",
                 QByteArray("\x02# a comment\r\nfile:///home/u/a%20b.jpg\r\n"
                            "http://example.org/c.jpg\r\nfile://localhost/e.png\r\n"
                            "file:/f.gif\r\nFILE:///caf%E9%23%3F.jpg\r\n"
                            "file:///%E2%82%AC.jpg")) &&
           Write(Folder + "/copied-files",
                 QByteArray("\x01"
                            "copy\nfile:///a/x.jpg\nfile:///a/100%25.jpg")) &&
           Write(Folder + "/both", QByteArray("\x0B"
                                              "cut\nfile://otherhost/d.jpg\nfile:///d.jpg\n")) &&
           Write(Folder + "/nul-and-broken-escapes",
                 QByteArray("\x02"
                            "file:///a%00b\nfile:///a\0b\nfile:///100%.jpg\nfile:///%zz\n",
                            56)) &&
           Write(Folder + "/path", QByteArray("\x1Chome/u/Caf\xC3\xA9 #1 (copy).jpg"));
}

bool WriteNameSeeds(const std::string& Folder) {
    const std::pair<const char*, QByteArray> names[] = {
        {"utf8", "/home/u/Pictures/caf\xC3\xA9.jpg"},
        {"latin1", "/srv/old/caf\xE9 \xE0 la plage.JPG"},
        {"four-byte", "/home/u/\xF0\x9F\x98\x80.d/smile"},
        {"surrogate-coded", "/tmp/\xED\xA0\x80\xED\xB2\x80.png"},
        {"overlong", "/tmp/\xC0\xAF\xE0\x80\xAF.x"},
        {"cut-sequence", "/tmp/euro\xE2\x82"},
        {"hidden", "/home/u/.hidden"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : names)
        ok &= Write(Folder + "/" + name, bytes);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<std::uint8_t> block = WriteVersionResource(Resource());
    TVersionResource noTranslation = Resource();
    noTranslation.WithTranslation = false;
    TVersionResource lowerCase = Resource();
    lowerCase.StringTableKey = u"040904b0";
    lowerCase.Language = 0x0407;
    lowerCase.CodePage = 0x04E4;
    bool ok = true;
    ok &= Write(folder + "/block/valid.bin", block);
    ok &= Write(folder + "/block/no-translation.bin", WriteVersionResource(noTranslation));
    ok &= Write(folder + "/block/other-translation.bin", WriteVersionResource(lowerCase));
    ok &= Write(folder + "/image/pe32.exe", vk_test::MakePeImage(block));
    ok &= Write(folder + "/image/pe32plus.exe", vk_test::MakePeImage(block, true));
    ok &= Write(folder + "/image/elf64.elf",
                vk_test::MakeElfImage({{".text", {0xC3}}, {".vk_version", block}}));
    ok &=
        Write(folder + "/image/elf32be.elf", vk_test::MakeElfImage({{".vk_version", block}}, true));
    ok &= WriteJpegSeeds(folder + "/jpeg");
    ok &= WriteSignatureSeeds(folder + "/signature");
    ok &= WriteSettingsSeeds(folder + "/settings");
    ok &= WriteReplySeeds(folder + "/replies");
    ok &= WriteRequestSeeds(folder + "/requests");
    ok &= WriteMimeSeeds(folder + "/mime");
    ok &= WriteNameSeeds(folder + "/names");
    if (!ok)
        std::cerr << "make-seeds: cannot write into " << folder << "\n";
    return ok ? 0 : 1;
}
