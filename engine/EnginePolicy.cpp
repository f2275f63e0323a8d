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

QByteArray ResourcePolicy() {
    QByteArray policy = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<policymap>\n";
    for (const TResourceLimit& limit : kLimits)
        policy += "  <policy domain=\"resource\" name=\"" + QByteArray(limit.PolicyName) +
                  "\" value=\"" + QByteArray::number(limit.Value) + "\"/>\n";
    return policy + "</policymap>\n";
}

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

TEngineStartConfiguration::TEngineStartConfiguration()
    : Folder(QDir::tempPath() + QStringLiteral("/vellumkite-engine-XXXXXX")),
      HadVariable(qEnvironmentVariableIsSet(kConfigurePathVariable)),
      OldValue(qgetenv(kConfigurePathVariable)) {
    if (!Folder.isValid())
        return;
    QFile policy(Folder.filePath(QStringLiteral("policy.xml")));
    if (policy.open(QIODevice::WriteOnly) && policy.write(ResourcePolicy()) > 0) {
        policy.close();
        qputenv(kConfigurePathVariable, QFile::encodeName(Folder.path()));
    }
}

TEngineStartConfiguration::~TEngineStartConfiguration() {
    if (HadVariable)
        qputenv(kConfigurePathVariable, OldValue);
    else
        qunsetenv(kConfigurePathVariable);
}

bool ApplyEngineSecurityPolicy() {
    TExceptionRecord exception;
    if (Magick::SetMagickSecurityPolicy(kRightsPolicy, exception.get()) == MagickFalse)
        return false;
    // These only ever lower a limit; they hold where no start configuration could be written.
    for (const TResourceLimit& limit : kLimits)
        Magick::SetMagickResourceLimit(limit.Type, limit.Value);
    return true;
}
