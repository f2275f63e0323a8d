#pragma once

// Scoped engine records: each is released on every path out of the scope that made it.

#include <QString>

#include "engine/ImageMagickAPI.h"

// The exception record every engine call fills; prepared on construction, released on exit.
class TExceptionRecord {
public:
    TExceptionRecord() : Info(Magick::GetExceptionInfo()) {}
    ~TExceptionRecord() {
        if (Info != nullptr && Magick::DestroyExceptionInfo != nullptr)
            Magick::DestroyExceptionInfo(Info);
    }
    TExceptionRecord(const TExceptionRecord&) = delete;
    TExceptionRecord& operator=(const TExceptionRecord&) = delete;

    ExceptionInfo* get() const { return Info; }
    // The engine's own words for what went wrong, empty when nothing did.
    QString Reason() const {
        if (Info == nullptr || Info->severity == UndefinedException)
            return {};
        QString text = QString::fromUtf8(Info->reason != nullptr ? Info->reason : "");
        if (Info->description != nullptr && *Info->description != '\0')
            text += QStringLiteral(" (%1)").arg(QString::fromUtf8(Info->description));
        return text;
    }

private:
    ExceptionInfo* Info;
};

// An image-info record owned by the scope.
class TImageInfoRecord {
public:
    explicit TImageInfoRecord(const ImageInfo* Source) : Info(Magick::CloneImageInfo(Source)) {}
    ~TImageInfoRecord() {
        if (Info != nullptr)
            Magick::DestroyImageInfo(Info);
    }
    TImageInfoRecord(const TImageInfoRecord&) = delete;
    TImageInfoRecord& operator=(const TImageInfoRecord&) = delete;

    ImageInfo* get() const { return Info; }

private:
    ImageInfo* Info;
};

// A buffer the engine allocated; given back to the engine on exit.
class TEngineBuffer {
public:
    explicit TEngineBuffer(unsigned char* Data) : Bytes(Data) {}
    ~TEngineBuffer() {
        if (Bytes != nullptr)
            Magick::LiberateMemory(Bytes);
    }
    TEngineBuffer(const TEngineBuffer&) = delete;
    TEngineBuffer& operator=(const TEngineBuffer&) = delete;

    const unsigned char* get() const { return Bytes; }

private:
    unsigned char* Bytes;
};
