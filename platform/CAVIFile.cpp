#include "platform/CAVIFile.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QSaveFile>
#include <QString>
#include <QThread>

#include <cstring>
#include <mutex>

namespace {

std::mutex HookLock;
AviOptionsHook OptionsHook;

constexpr uint32_t kAviHasIndex = 0x10;
constexpr uint32_t kIndexKeyFrame = 0x10;
// The headers before the first frame: RIFF, hdrl with avih, strl with strh
// and strf, and the movi list's header.
constexpr int32_t kHeaderBytes = 224;
constexpr int32_t kMoviTypeOffset = 220;
// Readers of 1.0 files take the RIFF size as signed.
constexpr int64_t kLargestFile = 0x7FFFFFFF;

struct ErrorText {
    int32_t n;
    const char16_t* text;
};

constexpr ErrorText kErrorTexts[] = {
    {101, u"Compression is not supported for this type of data. Please try another compression type."},
    {102, u"The AVI file could not be created. Please try another compression format."},
    {103, u"AVI: Memory"},
    {104, u"The AVI file could not be created. Please try another compression format."},
    {105, u"AVI: Bad flags"},
    {106, u"AVI: Bad param"},
    {107, u"AVI: Bad size"},
    {108, u"AVI: bad handle"},
    {109, u"AVI: file read"},
    {110, u"AVI: file write"},
    {111, u"AVI: file open"},
    {112, u"AVI: compressor"},
    {113, u"A suitable compressor cannot be found"},
    {114, u"AVI: read only"},
    {115, u"AVI: no data"},
    {116, u"AVI: buffer too small"},
    {117, u"AVI: can't compress"},
    {198, u"AVI: user abort"},
    {199, u"A problem occurred while compressing the data."},
};

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutCode(std::vector<uint8_t>& out, const char (&code)[5])
{
    out.insert(out.end(), code, code + 4);
}

int32_t RowBytes(const DibHeader& f)
{
    return ((f.biWidth * (f.biBitCount / 8)) + 3) & ~3;
}

// What the writer can store: an uncompressed bottom-up frame of 24 or 32
// bits whose image size matches its rows.
bool IsWritableFormat(const DibHeader& f)
{
    return f.biSize == sizeof(DibHeader) && f.biWidth > 0 && f.biHeight > 0 && f.biWidth <= 32767 &&
           f.biHeight <= 32767 && f.biPlanes == 1 && (f.biBitCount == 24 || f.biBitCount == 32) &&
           f.biCompression == kDibRgb && f.biClrUsed == 0 &&
           static_cast<int64_t>(f.biSizeImage) == static_cast<int64_t>(RowBytes(f)) * f.biHeight;
}

bool ShowOptionsDialog()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return true;
    bool ok = false;
    QInputDialog::getItem(nullptr, QStringLiteral("Video Compression"), QStringLiteral("Compressor:"),
                          {QStringLiteral("Full Frames (Uncompressed)")}, 0, false, &ok);
    return ok;
}

bool AskOptions()
{
    {
        std::lock_guard<std::mutex> hold(HookLock);
        if (OptionsHook)
            return OptionsHook();
    }
    return ShowOptionsDialog();
}

} // namespace

std::u16string AviErrorText(int32_t code)
{
    if (code == -1)
        return u"An internal error occurred while writing the file. Please try another compression type.";
    for (const ErrorText& e : kErrorTexts) {
        if (code == AviError(e.n))
            return e.text;
    }
    return {};
}

void SetAviOptionsHook(AviOptionsHook hook)
{
    std::lock_guard<std::mutex> hold(HookLock);
    OptionsHook = std::move(hook);
}

CAVIFile::CAVIFile(const std::string& utf8Path, int32_t rate) : path(utf8Path), frameRate(rate)
{
    if (frameRate < 1) {
        Fail(AviError(106));
        return;
    }
    file = std::make_unique<QSaveFile>(QString::fromStdString(path));
    if (!file->open(QIODevice::WriteOnly))
        Fail(AviError(111));
}

CAVIFile::~CAVIFile()
{
    Destruct();
}

bool CAVIFile::Fail(int32_t code)
{
    if (good)
        ShowMessageBox(AviErrorText(code), u"Vellumor", MessageBoxIcon::Error);
    good = false;
    return false;
}

bool CAVIFile::WriteBytes(const void* data, int64_t size)
{
    return file->write(static_cast<const char*>(data), size) == size || Fail(AviError(110));
}

bool CAVIFile::WriteHeaders(uint32_t moviBytes)
{
    const uint32_t frames = static_cast<uint32_t>(frameIndex);
    const uint32_t indexBytes = 8 + 16 * frames;
    std::vector<uint8_t> h;
    h.reserve(kHeaderBytes);
    PutCode(h, "RIFF");
    Put32(h, static_cast<uint32_t>(kMoviTypeOffset + moviBytes + indexBytes - 8));
    PutCode(h, "AVI ");
    PutCode(h, "LIST");
    Put32(h, 192);
    PutCode(h, "hdrl");
    PutCode(h, "avih");
    Put32(h, 56);
    Put32(h, static_cast<uint32_t>(1000000 / frameRate));
    Put32(h, format.biSizeImage * static_cast<uint32_t>(frameRate));
    Put32(h, 0);
    Put32(h, kAviHasIndex);
    Put32(h, frames);
    Put32(h, 0);
    Put32(h, 1);
    Put32(h, format.biSizeImage);
    Put32(h, static_cast<uint32_t>(format.biWidth));
    Put32(h, static_cast<uint32_t>(format.biHeight));
    for (int32_t i = 0; i < 4; ++i)
        Put32(h, 0);
    PutCode(h, "LIST");
    Put32(h, 116);
    PutCode(h, "strl");
    PutCode(h, "strh");
    Put32(h, 56);
    PutCode(h, "vids");
    Put32(h, 0);                  // handler: full frames
    Put32(h, 0);                  // flags
    Put32(h, 0);                  // priority and language
    Put32(h, 0);                  // initial frames
    Put32(h, 1);                  // scale
    Put32(h, static_cast<uint32_t>(frameRate));
    Put32(h, 0);                  // start
    Put32(h, frames);             // length
    Put32(h, format.biSizeImage); // suggested buffer size
    Put32(h, 0xFFFFFFFF);         // quality: the default
    Put32(h, 0);                  // sample size
    Put16(h, 0);
    Put16(h, 0);
    Put16(h, static_cast<uint32_t>(format.biWidth));
    Put16(h, static_cast<uint32_t>(format.biHeight));
    PutCode(h, "strf");
    Put32(h, sizeof(DibHeader));
    const size_t at = h.size();
    h.resize(at + sizeof(DibHeader));
    std::memcpy(h.data() + at, &format, sizeof(DibHeader));
    PutCode(h, "LIST");
    Put32(h, moviBytes);
    PutCode(h, "movi");
    return WriteBytes(h.data(), static_cast<int64_t>(h.size()));
}

bool CAVIFile::CreateStream(const DibHeader& f)
{
    if (!good || !file || streamCreated)
        return false;
    if (!IsWritableFormat(f))
        return Fail(AviError(106));
    if (!AskOptions()) {
        // A cancelled choice is not an error: no message.
        good = false;
        return false;
    }
    format = f;
    format.biXPelsPerMeter = format.biYPelsPerMeter = 0;
    format.biClrImportant = 0;
    // The counts and sizes are written again when the movie is closed.
    if (!WriteHeaders(4))
        return false;
    streamCreated = true;
    return true;
}

bool CAVIFile::WriteFrame(const DibHeader& f, const void* bits, bool keyFrame)
{
    if (!good || !streamCreated)
        return false;
    if (!bits || f.biSizeImage != format.biSizeImage || f.biWidth != format.biWidth || f.biHeight != format.biHeight)
        return Fail(AviError(106));
    const int64_t chunk = 8 + static_cast<int64_t>(f.biSizeImage) + (f.biSizeImage & 1);
    const int64_t indexBytes = 8 + 16 * (static_cast<int64_t>(frameIndex) + 1);
    if (file->pos() + chunk + indexBytes > kLargestFile)
        return Fail(AviError(110));
    const uint32_t offset = static_cast<uint32_t>(file->pos() - kMoviTypeOffset);
    std::vector<uint8_t> head;
    PutCode(head, "00db");
    Put32(head, f.biSizeImage);
    const uint8_t pad = 0;
    if (!WriteBytes(head.data(), 8) || !WriteBytes(bits, f.biSizeImage) || ((f.biSizeImage & 1) && !WriteBytes(&pad, 1)))
        return false;
    index.push_back({keyFrame ? kIndexKeyFrame : 0, offset, f.biSizeImage});
    ++frameIndex;
    return true;
}

void CAVIFile::Close()
{
    if (!file)
        return;
    if (good && streamCreated) {
        std::vector<uint8_t> idx;
        PutCode(idx, "idx1");
        Put32(idx, static_cast<uint32_t>(16 * index.size()));
        for (const IndexEntry& e : index) {
            PutCode(idx, "00db");
            Put32(idx, e.flags);
            Put32(idx, e.offset);
            Put32(idx, e.length);
        }
        const int64_t moviEnd = file->pos();
        if (WriteBytes(idx.data(), static_cast<int64_t>(idx.size())) &&
            (file->seek(0) || Fail(AviError(110))) &&
            WriteHeaders(static_cast<uint32_t>(moviEnd - kMoviTypeOffset)) && !file->commit())
            Fail(AviError(110));
    }
    // A movie that is not whole never takes the movie's name.
    if (file && !good)
        file->cancelWriting();
    file.reset();
    good = false;
}

void CAVIFile::Discard()
{
    if (file)
        file->cancelWriting();
    file.reset();
    good = false;
}

void CAVIFile::Destruct()
{
    // A good movie closed early keeps its frames; a failed one leaves
    // nothing.
    if (good)
        Close();
    else
        Discard();
}
