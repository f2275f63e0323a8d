#include "EnginePolicy.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "engine/EngineScope.h"
#include "engine/ImageMagickAPI.h"

namespace {

// Large enough for real panoramas and 100-megapixel photographs, small enough that a header
// declaring absurd dimensions is refused before anything is allocated. No disk: a pixel cache
// that does not fit in memory is refused rather than spilled into temporary files.
constexpr MagickSizeType kMaxSide = 65500;
constexpr MagickSizeType kMaxArea = 400'000'000;
constexpr MagickSizeType kMaxMemory = 2ULL << 30;
constexpr MagickSizeType kMaxMap = 4ULL << 30;
constexpr MagickSizeType kMaxDisk = 0;
constexpr MagickSizeType kMaxFrames = 10'000;

const char kResourcePolicy[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<policymap>
  <policy domain="resource" name="width" value="65500"/>
  <policy domain="resource" name="height" value="65500"/>
  <policy domain="resource" name="area" value="400MP"/>
  <policy domain="resource" name="memory" value="2GiB"/>
  <policy domain="resource" name="map" value="4GiB"/>
  <policy domain="resource" name="disk" value="0"/>
  <policy domain="resource" name="list-length" value="10000"/>
</policymap>
)";

// Coders that run scripts, draw from other files, render text with fonts, fetch from the network,
// read companion files or hand the work to an external program.
const char kRightsPolicy[] = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*"/>
  <policy domain="path" rights="none" pattern="*"/>
  <policy domain="coder" rights="none" pattern="{MSL,MVG,SVG,SVGZ,MSVG,RSVG,TEXT,TXT,LABEL,CAPTION,PANGO,URL,HTTP,HTTPS,FTP,FILE,EPHEMERAL,SHOW,WIN,X,XPS,PS,PS2,PS3,EPS,EPSF,EPSI,EPI,EPT,EPT2,EPT3,EPS2,EPS3,PDF,EPDF,PDFA,AI,PCL,GPLT,HPGL,FIG,DOT,GV,MPEG,MPG,M2V,MP4,M4V,MOV,AVI,WMV,MKV,WEBM,FLV,HTML,SHTML,HTM,MAN,INLINE,DATA,VID,MPC,CACHE,TILE,SCREENSHOT,CLIPBOARD,PLT,BROWSE,EDIT,LAUNCH,PRINT,TTF,OTF,PFA,PFB,DFONT}"/>
</policymap>
)";

const char kConfigurePathVariable[] = "MAGICK_CONFIGURE_PATH";

} // namespace

struct TEngineStartConfiguration::Private {
    QTemporaryDir Folder{QDir::tempPath() + QStringLiteral("/vellumkite-engine-XXXXXX")};
    bool HadVariable = qEnvironmentVariableIsSet(kConfigurePathVariable);
    QByteArray OldValue = qgetenv(kConfigurePathVariable);
};

TEngineStartConfiguration::TEngineStartConfiguration() : D(new Private) {
    if (!D->Folder.isValid())
        return;
    QFile policy(D->Folder.filePath(QStringLiteral("policy.xml")));
    if (policy.open(QIODevice::WriteOnly) && policy.write(kResourcePolicy) > 0) {
        policy.close();
        qputenv(kConfigurePathVariable, QFile::encodeName(D->Folder.path()));
    }
}

TEngineStartConfiguration::~TEngineStartConfiguration() {
    if (D->HadVariable)
        qputenv(kConfigurePathVariable, D->OldValue);
    else
        qunsetenv(kConfigurePathVariable);
    delete D;
}

bool ApplyEngineSecurityPolicy() {
    TExceptionRecord exception;
    if (Magick::SetMagickSecurityPolicy(kRightsPolicy, exception.get()) == MagickFalse)
        return false;
    // These only ever lower a limit; they hold where no start configuration could be written.
    Magick::SetMagickResourceLimit(WidthResource, kMaxSide);
    Magick::SetMagickResourceLimit(HeightResource, kMaxSide);
    Magick::SetMagickResourceLimit(AreaResource, kMaxArea);
    Magick::SetMagickResourceLimit(MemoryResource, kMaxMemory);
    Magick::SetMagickResourceLimit(MapResource, kMaxMap);
    Magick::SetMagickResourceLimit(DiskResource, kMaxDisk);
    Magick::SetMagickResourceLimit(ListLengthResource, kMaxFrames);
    return true;
}
