// Movies as RIFF AVI 1.0 files of uncompressed bottom-up DIB frames with an
// index, which common players read. The file is written under a temporary
// name and takes the movie's name only when it is closed intact, so a
// failed or refused movie leaves nothing behind, and a movie stopped early
// keeps the frames written so far. Every error is shown once in a message
// box; the writer then refuses further work.
#pragma once

#include "CoreUtilities/PictureHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSaveFile;

// The error codes of movie writing (0x80044000 + n) and -1 for an internal
// error.
constexpr int32_t kAviErrorBase = static_cast<int32_t>(0x80044000u);
constexpr int32_t AviError(int32_t n)
{
    return kAviErrorBase + n;
}

// The message for an error code; empty for a code without one.
std::u16string AviErrorText(int32_t code);

// The compression choice shown before the first frame; false when the user
// cancels. The writer offers full (uncompressed) frames only. Tests replace
// the dialog; an empty hook restores it.
using AviOptionsHook = std::function<bool()>;
void SetAviOptionsHook(AviOptionsHook hook);

class CAVIFile {
public:
    CAVIFile(const std::string& utf8Path, int32_t frameRate);
    virtual ~CAVIFile();
    CAVIFile(const CAVIFile&) = delete;
    CAVIFile& operator=(const CAVIFile&) = delete;

    // The frame format: a 24- or 32-bit uncompressed DIB header. True when
    // the movie is ready for frames.
    bool CreateStream(const DibHeader& format);
    // One frame of format.biSizeImage bytes at bits.
    bool WriteFrame(const DibHeader& format, const void* bits, bool keyFrame);
    // Finishes the movie and gives it its name; the writer is then done.
    void Close();
    // Drops the movie: nothing stays under its name.
    void Discard();
    void Destruct();

    bool IsGood() const { return good; }
    int32_t FrameIndex() const { return frameIndex; }

private:
    // Shows the error, switches the writer off and answers false.
    bool Fail(int32_t code);
    // The headers, with the movi list holding moviBytes from its type code.
    bool WriteHeaders(uint32_t moviBytes);
    bool WriteBytes(const void* data, int64_t size);

    std::string path;
    int32_t frameRate;
    std::unique_ptr<QSaveFile> file;
    DibHeader format = {};
    bool streamCreated = false;
    int32_t frameIndex = 0;
    bool good = true;
    struct IndexEntry {
        uint32_t flags;
        uint32_t offset;
        uint32_t length;
    };
    std::vector<IndexEntry> index;
};
