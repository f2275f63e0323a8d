#include "EnginePolicy.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include "engine/EngineScope.h"
#include "engine/ImageMagickAPI.h"

namespace {

// Large enough for real panoramas and 100-megapixel photographs, small enough that a header
// declaring absurd dimensions is refused before anything is allocated. No disk: a pixel cache
// that does not fit in memory is refused rather than spilled into temporary files.
struct TResourceLimit {
    const char* PolicyName;
    ResourceType Type;
    MagickSizeType Value;
};
constexpr TResourceLimit kLimits[] = {
    {"width", WidthResource, 65500},
    {"height", HeightResource, 65500},
    {"area", AreaResource, 400'000'000},
    {"memory", MemoryResource, 2ULL << 30},
    {"map", MapResource, 4ULL << 30},
    {"disk", DiskResource, 0},
    {"list-length", ListLengthResource, 10'000},
};

// Raster coders that handle nothing but the bytes they are given, under every name the engine
// gives them, and the ones they call themselves (JNG, SFW and PWP hold JPEG data; JNG holds PNG).
// Everything else is refused: vector, text, font, script and page formats, video and camera
// formats handed to external programs, raw samples (no size to read them with) and the
// persistent cache (it opens a companion file by name). They also encode: the batch writes JPEG,
// and a picture is copied or saved in its own format.
constexpr const char* kRasterFormats =
    "ART,AVS,BMP,BMP2,BMP3,CUR,CUT,DCM,DCX,DIB,FAX,FITS,FTS,GIF,HDR,ICB,ICO,ICON,J2C,J2K,JBIG,"
    "JNG,JP2,JPC,JPE,JPEG,JPG,JPM,JPT,MIFF,MTV,OTB,PALM,PAM,PBM,PCD,PCDS,PCT,PCX,PDB,PGM,PICON,"
    "PICT,PIX,PNG,PNM,PPM,PSB,PSD,PTIF,PWP,RAS,RLA,RLE,SCT,SFW,SGI,SUN,TGA,TIF,TIFF,TIFF64,TIM,"
    "VDA,VICAR,VIFF,VST,WBMP,WPG,XBM,XCF,XPM,XV";
// Raster coders that come with their own libraries (libheif for HEIC, HEIF and AVIF, libwebp,
// libjxl), which a build of the engine may lack: allowed like the ones above, and loaded where
// the engine has them. A file of a missing one is not supported.
constexpr const char* kOptionalRasterFormats = "AVIF,HEIC,HEIF,JXL,WEBP";
// Decoded only: the installed engine's MATLAB encoder needs an entry its library lacks, and the
// failed lookup would end the process.
constexpr const char* kReadOnlyFormats = "MAT";

// Characters that would make the folder name a pattern, or break the XML it is written in.
constexpr const char* kUnsafePathCharacters = "*?[]{}\\\"'&<>";

bool IsSafeInPolicy(const QString& Path) {
    for (const char* c = kUnsafePathCharacters; *c != '\0'; ++c)
        if (Path.contains(QLatin1Char(*c)))
            return false;
    return !Path.isEmpty();
}

// The engine compares names as given, so the folder is named by its real path.
QString TemporaryBase() {
    const QString base = QDir(QDir::tempPath()).canonicalPath();
    return IsSafeInPolicy(base) ? base : QStringLiteral("/tmp");
}

QByteArray StartPolicy(const TEngineTemporaryFolder& Temporary) {
    QByteArray policy = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<policymap>\n";
    for (const TResourceLimit& limit : kLimits)
        policy += "  <policy domain=\"resource\" name=\"" + QByteArray(limit.PolicyName) +
                  "\" value=\"" + QByteArray::number(limit.Value) + "\"/>\n";
    policy += "  <policy domain=\"resource\" name=\"temporary-path\" value=\"" +
              QFile::encodeName(Temporary.Path()) + "\"/>\n";
    return policy + "</policymap>\n";
}

// Rules set later win: refuse everything, then allow by name.
QByteArray RightsPolicy(const TEngineTemporaryFolder& Temporary) {
    return "<policymap>\n"
           "  <policy domain=\"delegate\" rights=\"none\" pattern=\"*\"/>\n"
           "  <policy domain=\"coder\" rights=\"none\" pattern=\"*\"/>\n"
           "  <policy domain=\"coder\" rights=\"read|write\" pattern=\"{" +
           QByteArray(kRasterFormats) + ',' + kOptionalRasterFormats +
           "}\"/>\n"
           "  <policy domain=\"coder\" rights=\"read\" pattern=\"{" +
           QByteArray(kReadOnlyFormats) +
           "}\"/>\n"
           "  <policy domain=\"path\" rights=\"none\" pattern=\"*\"/>\n"
           "  <policy domain=\"path\" rights=\"read|write\" pattern=\"" +
           QFile::encodeName(Temporary.Path()) +
           "/*\"/>\n"
           "</policymap>\n";
}

const char kConfigurePathVariable[] = "MAGICK_CONFIGURE_PATH";

} // namespace

TEngineTemporaryFolder::TEngineTemporaryFolder()
    : FFolder(TemporaryBase() + QStringLiteral("/vellumkite-engine-XXXXXX")) {}

TEngineStartConfiguration::TEngineStartConfiguration(const TEngineTemporaryFolder& Temporary)
    : FFolder(TemporaryBase() + QStringLiteral("/vellumkite-start-XXXXXX")),
      FHadVariable(qEnvironmentVariableIsSet(kConfigurePathVariable)),
      FOldValue(qgetenv(kConfigurePathVariable)) {
    if (!FFolder.isValid())
        return;
    QFile policy(FFolder.filePath(QStringLiteral("policy.xml")));
    if (policy.open(QIODevice::WriteOnly) && policy.write(StartPolicy(Temporary)) > 0) {
        policy.close();
        qputenv(kConfigurePathVariable, QFile::encodeName(FFolder.path()));
    }
}

TEngineStartConfiguration::~TEngineStartConfiguration() {
    if (FHadVariable)
        qputenv(kConfigurePathVariable, FOldValue);
    else
        qunsetenv(kConfigurePathVariable);
}

bool ApplyEngineSecurityPolicy(const TEngineTemporaryFolder& Temporary, bool WithRights) {
    if (WithRights) {
        TExceptionRecord exception;
        if (Magick::SetMagickSecurityPolicy(RightsPolicy(Temporary).constData(), exception.get()) ==
            MagickFalse)
            return false;
    }
    // These only ever lower a limit; they hold where no start configuration could be written.
    for (const TResourceLimit& limit : kLimits)
        Magick::SetMagickResourceLimit(limit.Type, limit.Value);
    return true;
}

namespace {

bool LoadCoder(const QByteArray& Name) {
    const TExceptionRecord exception;
    return Magick::GetMagickInfo(Name.constData(), exception.get()) != nullptr;
}

} // namespace

bool LoadAllowedCoders() {
    bool all = true;
    const QByteArray names = QByteArray(kRasterFormats) + ',' + kReadOnlyFormats;
    for (const QByteArray& name : names.split(','))
        all = LoadCoder(name) && all;
    for (const QByteArray& name : QByteArray(kOptionalRasterFormats).split(','))
        LoadCoder(name);
    return all;
}
