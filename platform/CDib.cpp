#include "platform/CDib.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr int kMegabyte = 1 << 20;

// What decoding a bitmap of width x height takes from the heap: the
// reader's image and our copy of it, 4 bytes a pixel each.
double DecodeBytes(int64_t width, int64_t height)
{
    return 2.0 * 4.0 * static_cast<double>(width) * static_cast<double>(height);
}

uint32_t ReadU32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

uint32_t DibNumColors(const DibHeader& header)
{
    uint32_t indexable = header.biBitCount <= 8 ? 1u << header.biBitCount : 0;
    if (header.biClrUsed != 0)
        return indexable ? std::min(header.biClrUsed, indexable) : std::min(header.biClrUsed, 256u);
    return indexable;
}

// Decodes from a device whose bytes start with the file header.
struct DibDecoder {
    static bool Decode(CDib& dib, QIODevice& device)
    {
        // The size the header claims, before the toolkit looks: a claim the
        // budget cannot hold is refused as such.
        uint8_t head[26];
        if (device.peek(reinterpret_cast<char*>(head), sizeof head) != sizeof head)
            return Refuse(dib, FailureUnreadableFile);
        int64_t width = static_cast<int32_t>(ReadU32(head + 18));
        int64_t height = static_cast<int32_t>(ReadU32(head + 22));
        if (ReadU32(head + 14) == 12) {  // the old core header: 16-bit sizes
            width = head[18] | head[19] << 8;
            height = head[20] | head[21] << 8;
        }
        height = height < 0 ? -height : height;  // rows stored top-down
        if (width < 1 || height < 1 || width > CDib::kMaxSide || height > CDib::kMaxSide)
            return Refuse(dib, FailureUnreadableFile);
        double bytes = DecodeBytes(width, height);
        if (bytes > HeapBudgetLimit() - MemoryBudgetCount())
            return Refuse(dib, FailureOutOfMemory);
        QImageReader reader(&device, "bmp");
        reader.setAutoDetectImageFormat(false);
        reader.setDecideFormatFromContent(false);
        QSize size(static_cast<int>(width), static_cast<int>(height));
        if (!reader.canRead())
            return Refuse(dib, FailureUnreadableFile);
        // The reader may not take more than the one image the budget allows for.
        reader.setAllocationLimit(static_cast<int>(bytes / 2 / kMegabyte) + 1);
        QImage image;
        if (!reader.read(&image) || image.size() != size)
            return Refuse(dib, FailureUnreadableFile);
        image = image.convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return Refuse(dib, FailureOutOfMemory);
        return Keep(dib, image);
    }

    static bool Refuse(CDib& dib, int32_t failure)
    {
        dib.Free();
        dib.failure_ = failure;
        return false;
    }

    static bool Keep(CDib& dib, const QImage& image)
    {
        int width = image.width(), height = image.height();
        uint32_t rowBytes = 4u * static_cast<uint32_t>(width);
        dib.header_ = static_cast<DibHeader*>(BudgetMalloc(sizeof(DibHeader), true));
        dib.bits_ = static_cast<uint32_t*>(BudgetMalloc(rowBytes * static_cast<uint32_t>(height), false));
        if (!dib.header_ || !dib.bits_)
            return Refuse(dib, FailureOutOfMemory);
        DibHeader& h = *dib.header_;
        h = MakeDibHeader32(width, height);
        h.biSizeImage = rowBytes * static_cast<uint32_t>(height);
        h.biXPelsPerMeter = static_cast<int32_t>(image.dotsPerMeterX());
        h.biYPelsPerMeter = static_cast<int32_t>(image.dotsPerMeterY());
        for (int row = 0; row < height; ++row)
            std::memcpy(dib.bits_ + static_cast<size_t>(height - 1 - row) * width, image.constScanLine(row),
                        rowBytes);
        dib.failure_ = 0;
        return true;
    }
};

CDib::~CDib()
{
    Free();
}

size_t CDib::Read(const char* path, bool noFileHeader)
{
    Free();
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) {
        failure_ = FailureUnreadableFile;
        return 0;
    }
    size_t length = static_cast<size_t>(file.size());
    if (noFileHeader) {
        // A header and its pixels are never larger than what decoding them takes.
        if (static_cast<double>(length) > HeapBudgetLimit() - MemoryBudgetCount()) {
            failure_ = FailureOutOfMemory;
            return 0;
        }
        QByteArray bytes = file.readAll();
        return ReadBytes(reinterpret_cast<const uint8_t*>(bytes.constData()),
                         static_cast<size_t>(bytes.size()), true) ? length : 0;
    }
    return DibDecoder::Decode(*this, file) ? length : 0;
}

size_t CDib::ReadBytes(const uint8_t* data, size_t size, bool noFileHeader)
{
    Free();
    if (!data || size > static_cast<size_t>(INT32_MAX) - kFileHeaderBytes) {
        failure_ = FailureUnreadableFile;
        return 0;
    }
    QByteArray bytes;
    if (noFileHeader) {
        // Only the info header follows: put a file header before it that
        // points past the header and its colour table (or bit-field masks).
        if (size < sizeof(DibHeader) || ReadU32(data) < sizeof(DibHeader)) {
            failure_ = FailureUnreadableFile;
            return 0;
        }
        DibHeader info;
        std::memcpy(&info, data, sizeof info);
        uint64_t offset = kFileHeaderBytes + uint64_t{info.biSize} + 4ull * DibNumColors(info);
        if (info.biSize == sizeof(DibHeader) && info.biCompression == kDibBitFields)
            offset += 12;
        uint8_t head[kFileHeaderBytes] = {'B', 'M'};
        uint32_t total = static_cast<uint32_t>(size + kFileHeaderBytes);
        std::memcpy(head + 2, &total, 4);
        uint32_t offBits = static_cast<uint32_t>(std::min<uint64_t>(offset, UINT32_MAX));
        std::memcpy(head + 10, &offBits, 4);
        bytes.append(reinterpret_cast<const char*>(head), kFileHeaderBytes);
    }
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return DibDecoder::Decode(*this, buffer) ? size : 0;
}

uint32_t CDib::GetPixel(int32_t x, int32_t y) const
{
    if (!bits_ || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight())
        return 0;
    return bits_[static_cast<size_t>(GetHeight() - 1 - y) * GetWidth() + x] & 0xFFFFFFu;
}

PictureHandle CDib::MakePicture() const
{
    if (!bits_) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    ShortRect r;
    SetShortRect(r, 0, 0, GetHeight(), GetWidth());
    PictureHandle picture = NewPictureHandle(r);
    if (!picture)
        return nullptr;
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    auto* out = reinterpret_cast<uint32_t*>(GetPackedDibBits(header));
    // Both are bottom-up: the picture's first row is the bitmap's bottom row.
    size_t count = static_cast<size_t>(GetWidth()) * GetHeight();
    for (size_t i = 0; i < count; ++i)
        out[i] = bits_[i] | 0xFF000000u;
    UnlockGlobalHandle(picture);
    return picture;
}

void CDib::Free()
{
    BudgetFree(bits_);
    BudgetFree(header_);
    bits_ = nullptr;
    header_ = nullptr;
}
