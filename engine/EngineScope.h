#pragma once

// Scoped engine records: each is released on every path out of the scope that made it.

#include <QString>

#include "engine/ImageMagickAPI.h"

// The exception record every engine call fills; prepared on construction, released on exit.
class TExceptionRecord {
public:
    TExceptionRecord() : FInfo(Magick::GetExceptionInfo()) {}
    ~TExceptionRecord() {
        if (FInfo != nullptr && Magick::DestroyExceptionInfo != nullptr)
            Magick::DestroyExceptionInfo(FInfo);
    }
    TExceptionRecord(const TExceptionRecord&) = delete;
    TExceptionRecord& operator=(const TExceptionRecord&) = delete;

    ExceptionInfo* get() const { return FInfo; }
    // The engine's own words for what went wrong, empty when nothing did.
    QString Reason() const {
        if (FInfo == nullptr || FInfo->severity == UndefinedException)
            return {};
        QString text = QString::fromUtf8(FInfo->reason != nullptr ? FInfo->reason : "");
        if (FInfo->description != nullptr && *FInfo->description != '\0')
            text += QStringLiteral(" (%1)").arg(QString::fromUtf8(FInfo->description));
        return text;
    }

private:
    ExceptionInfo* FInfo;
};

// An image-info record owned by the scope.
class TImageInfoRecord {
public:
    explicit TImageInfoRecord(const ImageInfo* Source) : FInfo(Magick::CloneImageInfo(Source)) {}
    ~TImageInfoRecord() {
        if (FInfo != nullptr)
            Magick::DestroyImageInfo(FInfo);
    }
    TImageInfoRecord(const TImageInfoRecord&) = delete;
    TImageInfoRecord& operator=(const TImageInfoRecord&) = delete;

    ImageInfo* get() const { return FInfo; }

private:
    ImageInfo* FInfo;
};

// A buffer the engine allocated; given back to the engine on exit.
class TEngineBuffer {
public:
    explicit TEngineBuffer(unsigned char* Data) : FBytes(Data) {}
    ~TEngineBuffer() {
        if (FBytes != nullptr)
            Magick::LiberateMemory(FBytes);
    }
    TEngineBuffer(const TEngineBuffer&) = delete;
    TEngineBuffer& operator=(const TEngineBuffer&) = delete;

    const unsigned char* get() const { return FBytes; }

private:
    unsigned char* FBytes;
};
