#pragma once

// The engine binding. The engine library is opened at run time and never linked; each entry the
// program calls is one typed pointer in namespace Magick, named like the entry the program was
// designed around and resolved from its ImageMagick 6 counterpart. Note for the maintainer: to
// call another entry, add it to one of the two lists below; the load refuses a library that does
// not export every listed entry, so a missing symbol never surfaces as a null call later.

#include <magick/MagickCore.h>

#include <cstdint>
#include <string>

class QIODevice;

// X(name in the program, symbol in the library)
#define VK_MAGICK_CALLED_ENTRIES(X)                                                                \
    X(InitializeMagick, MagickCoreGenesis)                                                         \
    X(DestroyMagick, MagickCoreTerminus)                                                           \
    X(GetExceptionInfo, AcquireExceptionInfo)                                                      \
    X(DestroyExceptionInfo, DestroyExceptionInfo)                                                  \
    X(CloneImageInfo, CloneImageInfo)                                                              \
    X(DestroyImageInfo, DestroyImageInfo)                                                          \
    X(ReadImage, ReadImage)                                                                        \
    X(BlobToImage, BlobToImage)                                                                    \
    X(ImageToBlob, ImageToBlob)                                                                    \
    X(LiberateMemory, RelinquishMagickMemory)                                                      \
    X(WriteImages, WriteImages)                                                                    \
    X(DispatchImage, ExportImagePixels)                                                            \
    X(GetImageListLength, GetImageListLength)                                                      \
    X(GetImageFromList, GetImageFromList)                                                          \
    X(NewImageList, NewImageList)                                                                  \
    X(RemoveFirstImageFromList, RemoveFirstImageFromList)                                          \
    X(AppendImageToList, AppendImageToList)                                                        \
    X(DestroyImage, DestroyImage)                                                                  \
    X(DestroyImageList, DestroyImageList)                                                          \
    X(MagnifyImage, MagnifyImage)                                                                  \
    X(MinifyImage, MinifyImage)                                                                    \
    X(ResizeImage, ResizeImage)                                                                    \
    X(SampleImage, SampleImage)                                                                    \
    X(ScaleImage, ScaleImage)                                                                      \
    X(ThumbnailImage, ThumbnailImage)                                                              \
    X(BlurImage, BlurImage)                                                                        \
    X(DespeckleImage, DespeckleImage)                                                              \
    X(EdgeImage, EdgeImage)

// Entries this engine generation needs besides: checking the build it is, loading its coders and
// configuration lists ahead of use, setting its security policy and limits, clearing errors a frame
// keeps, the decoder's size hint, flattening, and preparing a photograph for JPEG (turning it
// upright, colour conversion, metadata, the warnings a decoder keeps in a frame).
#define VK_MAGICK_SUPPORT_ENTRIES(X)                                                               \
    X(GetMagickQuantumDepth, GetMagickQuantumDepth)                                                \
    X(GetMagickFeatures, GetMagickFeatures)                                                        \
    X(GetMagickInfo, GetMagickInfo)                                                                \
    X(GetMagicInfo, GetMagicInfo)                                                                  \
    X(GetLocaleInfo_, GetLocaleInfo_)                                                              \
    X(GetDelegateInfo, GetDelegateInfo)                                                            \
    X(SetMagickSecurityPolicy, SetMagickSecurityPolicy)                                            \
    X(SetMagickResourceLimit, SetMagickResourceLimit)                                              \
    X(ClearMagickException, ClearMagickException)                                                  \
    X(SetImageOption, SetImageOption)                                                              \
    X(SetImageAlphaChannel, SetImageAlphaChannel)                                                  \
    X(AutoOrientImage, AutoOrientImage)                                                            \
    X(SyncImageProfiles, SyncImageProfiles)                                                        \
    X(ProfileImage, ProfileImage)                                                                  \
    X(GetImageProfile, GetImageProfile)                                                            \
    X(DeleteImageProfile, DeleteImageProfile)                                                      \
    X(ResetImageProfileIterator, ResetImageProfileIterator)                                        \
    X(GetNextImageProfile, GetNextImageProfile)                                                    \
    X(GetStringInfoLength, GetStringInfoLength)                                                    \
    X(GetStringInfoDatum, GetStringInfoDatum)                                                      \
    X(TransformImageColorspace, TransformImageColorspace)                                          \
    X(GetImageProperty, GetImageProperty)                                                          \
    X(DeleteImageProperty, DeleteImageProperty)                                                    \
    X(ResetLinkedListIterator, ResetLinkedListIterator)                                            \
    X(GetNextValueInLinkedList, GetNextValueInLinkedList)

namespace Magick {
#define VK_DECLARE_ENTRY(name, symbol) extern decltype(&::symbol) name;
VK_MAGICK_CALLED_ENTRIES(VK_DECLARE_ENTRY)
VK_MAGICK_SUPPORT_ENTRIES(VK_DECLARE_ENTRY)
#undef VK_DECLARE_ENTRY
} // namespace Magick

// Takes one library reference; loads, resolves and starts the engine on the first. True when the
// library is loaded after the call.
bool LoadImageMagick(const std::string& Path);
// Whether the library the next load would open is there, exports every entry and is the build
// the headers describe; it is closed again and the engine not started, so no temporary folder
// is made and no configuration read. For a program whose workers do the decoding.
bool CheckImageMagickLibrary();
// Gives back one reference; the last one stops the engine and frees the library. True when the
// library is not loaded after the call.
bool UnloadImageMagick();
// Frees the library whatever references are still open; the binding's shut-down.
void ShutDownImageMagickAPI();
// Removes the engine's private temporary folder now, for a process that will not be allowed to
// remove it when the engine stops. Decoders that would spill to it fail from then on.
void DropEngineTemporaryFolder();

// Decodes Length bytes. Null when nothing decodes, and when the first frame holds no pixels (a
// few bytes of a JPEG header decode to 0 x 0): such a result counts as nothing.
Image* DecodeBlob(const ImageInfo* Info, const void* Data, size_t Length, ExceptionInfo* Record);

// Encodes Image and appends the bytes at the stream's position; returns the count written.
std::uint32_t ImageToStream(QIODevice& Stream, const ImageInfo* Info, Image* Frame,
                            ExceptionInfo* Record);
// Decodes Count bytes from the stream's position. A QBuffer is decoded in place and keeps its
// position; any other stream is read. Null when Count is 0 or nothing decodes.
Image* StreamToImage(QIODevice& Stream, const ImageInfo* Info, std::uint32_t Count,
                     ExceptionInfo* Record);

// What the binding holds now, for diagnostics and tests.
struct TMagickLibState {
    bool Loaded;
    std::int32_t RefCount;
    int EngineStops; // times the engine was stopped since the process began
};
TMagickLibState MagickLibState();
// The library file opened by the next load; tests point it at other files.
void SetMagickLibraryFileName(const std::string& FileName);
const std::string& DefaultMagickLibraryFileName();
// Whether the next engine start sets the program's rights rules (on by default). Exists only so
// tests can start the engine without them and show what they stop; the resource limits and the
// private temporary folder stay either way. The program never turns them off.
void SetEngineRightsForTests(bool Applied);
