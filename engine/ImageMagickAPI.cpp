#include "ImageMagickAPI.h"

#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include <dlfcn.h>
#include <link.h>

#include <QBuffer>
#include <QIODevice>

#include "engine/EnginePolicy.h"
#include "engine/EngineScope.h"
#include "platform/Errors.h"

namespace Magick {
#define VK_DEFINE_ENTRY(name, symbol) decltype(&::symbol) name = nullptr;
VK_MAGICK_CALLED_ENTRIES(VK_DEFINE_ENTRY)
VK_MAGICK_SUPPORT_ENTRIES(VK_DEFINE_ENTRY)
#undef VK_DEFINE_ENTRY
} // namespace Magick

namespace {

const std::string kDefaultLibraryFileName = "libMagickCore-6.Q16.so.6";

std::mutex MagickLibLock;
void* MagickLibHandle = nullptr;
std::int32_t MagickLibRefCount = 0;
int EngineStops = 0;
std::string LibraryFileName = kDefaultLibraryFileName;
bool StartWithRights = true;
// Exists exactly while the engine runs.
std::unique_ptr<TEngineTemporaryFolder> EngineFolder;

#ifdef VK_SANITIZER_BUILD
// Keeps the code mapped after the last close so the leak checker can still name the engine's
// own start-up allocations; the reference counting and the engine stop are unchanged.
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;

// The engine unloads its coders when it stops, and with them the libraries they brought (the
// HEVC decoder's tables, made once and kept for the process): unmapped, what those keep would
// be reported as leaked from an unknown module. They stay mapped, as the engine does.
void KeepLoadedLibrariesMapped() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* Info, size_t, void* Names) {
            if (Info->dlpi_name != nullptr && Info->dlpi_name[0] != '\0')
                static_cast<std::vector<std::string>*>(Names)->emplace_back(Info->dlpi_name);
            return 0;
        },
        &names);
    for (const std::string& name : names)
        if (void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE))
            dlclose(handle);
}
#else
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

void KeepLoadedLibrariesMapped() {}
#endif

void ClearEntries() {
#define VK_CLEAR_ENTRY(name, symbol) Magick::name = nullptr;
    VK_MAGICK_CALLED_ENTRIES(VK_CLEAR_ENTRY)
    VK_MAGICK_SUPPORT_ENTRIES(VK_CLEAR_ENTRY)
#undef VK_CLEAR_ENTRY
}

template <typename TEntry> bool Resolve(void* Handle, const char* Symbol, TEntry& Entry) {
    Entry = reinterpret_cast<TEntry>(dlsym(Handle, Symbol));
    return Entry != nullptr;
}

bool ResolveEntries(void* handle) {
    bool all = true;
#define VK_RESOLVE_ENTRY(name, symbol) all = Resolve(handle, #symbol, Magick::name) && all;
    VK_MAGICK_CALLED_ENTRIES(VK_RESOLVE_ENTRY)
    VK_MAGICK_SUPPORT_ENTRIES(VK_RESOLVE_ENTRY)
#undef VK_RESOLVE_ENTRY
    return all;
}

// The headers fix one record layout: quantum depth 16 without HDRI. Neither entry needs the
// engine started.
bool IsExpectedBuild(decltype(&::GetMagickQuantumDepth) GetDepth,
                     decltype(&::GetMagickFeatures) GetFeatures) {
    size_t depth = 0;
    GetDepth(&depth);
    const char* features = GetFeatures();
    return depth == MAGICKCORE_QUANTUM_DEPTH &&
           (features == nullptr || std::strstr(features, "HDRI") == nullptr);
}

void CloseLibrary() {
    dlclose(MagickLibHandle);
    MagickLibHandle = nullptr;
    ClearEntries();
    EngineFolder.reset();
}

void StopEngine() {
    KeepLoadedLibrariesMapped();
    Magick::DestroyMagick();
    ++EngineStops;
    CloseLibrary();
}

// Opens, checks and starts the library; leaves the binding unloaded when any step fails.
void OpenLibrary(const std::string& Path) {
    MagickLibHandle = dlopen(LibraryFileName.c_str(), kOpenFlags);
    if (MagickLibHandle == nullptr)
        return;
    if (!ResolveEntries(MagickLibHandle) ||
        !IsExpectedBuild(Magick::GetMagickQuantumDepth, Magick::GetMagickFeatures)) {
        CloseLibrary();
        return;
    }
    EngineFolder = std::make_unique<TEngineTemporaryFolder>();
    if (!EngineFolder->IsValid()) {
        CloseLibrary();
        return;
    }
    {
        TEngineStartConfiguration configuration(*EngineFolder);
        Magick::InitializeMagick(Path.c_str(), MagickFalse);
    }
    if (!ApplyEngineSecurityPolicy(*EngineFolder, StartWithRights))
        StopEngine();
}

} // namespace

bool LoadImageMagick(const std::string& Path) {
    const std::lock_guard lock(MagickLibLock);
    ++MagickLibRefCount;
    if (MagickLibHandle == nullptr)
        OpenLibrary(Path);
    return MagickLibHandle != nullptr;
}

bool CheckImageMagickLibrary() {
    const std::lock_guard lock(MagickLibLock);
    if (MagickLibHandle != nullptr)
        return true; // checked when it was loaded
    void* handle = dlopen(LibraryFileName.c_str(), kOpenFlags);
    if (handle == nullptr)
        return false;
    bool all = true;
#define VK_CHECK_ENTRY(name, symbol) all = dlsym(handle, #symbol) != nullptr && all;
    VK_MAGICK_CALLED_ENTRIES(VK_CHECK_ENTRY)
    VK_MAGICK_SUPPORT_ENTRIES(VK_CHECK_ENTRY)
#undef VK_CHECK_ENTRY
    const bool good = all && IsExpectedBuild(reinterpret_cast<decltype(&::GetMagickQuantumDepth)>(
                                                 dlsym(handle, "GetMagickQuantumDepth")),
                                             reinterpret_cast<decltype(&::GetMagickFeatures)>(
                                                 dlsym(handle, "GetMagickFeatures")));
    dlclose(handle);
    return good;
}

bool UnloadImageMagick() {
    const std::lock_guard lock(MagickLibLock);
    if (MagickLibRefCount > 0)
        --MagickLibRefCount;
    if (MagickLibHandle != nullptr && MagickLibRefCount == 0)
        StopEngine();
    return MagickLibHandle == nullptr;
}

void ShutDownImageMagickAPI() {
    for (;;) {
        {
            const std::lock_guard lock(MagickLibLock);
            if (MagickLibRefCount <= 0)
                break;
        }
        UnloadImageMagick();
    }
}

std::uint32_t ImageToStream(QIODevice& Stream, const ImageInfo* Info, Image* Frame,
                            ExceptionInfo* Record) {
    size_t length = 0;
    const TEngineBuffer buffer(Magick::ImageToBlob(Info, Frame, &length, Record));
    if (buffer.get() == nullptr)
        return 0;
    if (length > std::numeric_limits<std::uint32_t>::max())
        throw Exception("Encoded image is too large for the stream");
    const auto wanted = static_cast<qint64>(length);
    if (Stream.write(reinterpret_cast<const char*>(buffer.get()), wanted) != wanted)
        throw Exception("Stream write error: " + Stream.errorString().toStdString());
    return static_cast<std::uint32_t>(length);
}

Image* DecodeBlob(const ImageInfo* Info, const void* Data, size_t Length, ExceptionInfo* Record) {
    Image* images = Magick::BlobToImage(Info, Data, Length, Record);
    if (images != nullptr && (images->columns == 0 || images->rows == 0)) {
        Magick::DestroyImageList(images);
        return nullptr;
    }
    return images;
}

Image* StreamToImage(QIODevice& Stream, const ImageInfo* Info, std::uint32_t Count,
                     ExceptionInfo* Record) {
    if (Count == 0)
        return nullptr;
    if (Stream.size() - Stream.pos() < static_cast<qint64>(Count))
        throw Exception("Size is not available in stream!");
    if (auto* memory = qobject_cast<QBuffer*>(&Stream)) {
        const char* start = memory->data().constData() + memory->pos();
        return DecodeBlob(Info, start, Count, Record);
    }
    std::vector<char> bytes(Count);
    if (Stream.read(bytes.data(), Count) != static_cast<qint64>(Count))
        throw Exception("Stream read error: " + Stream.errorString().toStdString());
    return DecodeBlob(Info, bytes.data(), Count, Record);
}

TMagickLibState MagickLibState() {
    const std::lock_guard lock(MagickLibLock);
    return {MagickLibHandle != nullptr, MagickLibRefCount, EngineStops};
}

void SetMagickLibraryFileName(const std::string& FileName) {
    const std::lock_guard lock(MagickLibLock);
    LibraryFileName = FileName;
}

void SetEngineRightsForTests(bool Applied) {
    const std::lock_guard lock(MagickLibLock);
    StartWithRights = Applied;
}

const std::string& DefaultMagickLibraryFileName() {
    return kDefaultLibraryFileName;
}

void DropEngineTemporaryFolder() {
    const std::lock_guard lock(MagickLibLock);
    EngineFolder.reset();
}
