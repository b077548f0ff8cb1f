#include "platform/BitmapResource.h"

#include <QImage>
#include <QString>

#include <cstring>
#include <map>
#include <mutex>

bool LoadBitmapResource(int id, BitmapPixels& out)
{
    QImage image(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    if (image.isNull())
        return false;
    image = image.convertToFormat(QImage::Format_RGB32);
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<size_t>(y) * out.width + x] = row[x] & 0xFFFFFF;
    }
    return true;
}

const DibHeader* LockBitmapResource(int id)
{
    static std::mutex lock;
    static std::map<int, std::vector<uint32_t>> locked;
    std::lock_guard<std::mutex> hold(lock);
    auto found = locked.find(id);
    if (found != locked.end())
        return reinterpret_cast<const DibHeader*>(found->second.data());
    BitmapPixels bitmap;
    if (!LoadBitmapResource(id, bitmap))
        return nullptr;
    std::vector<uint32_t> block(sizeof(DibHeader) / 4 + bitmap.pixels.size());
    DibHeader header{};
    header.biSize = sizeof header;
    header.biWidth = bitmap.width;
    header.biHeight = bitmap.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::memcpy(block.data(), &header, sizeof header);
    uint32_t* bits = block.data() + sizeof(DibHeader) / 4;
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(bits + static_cast<size_t>(bitmap.height - 1 - y) * bitmap.width,
                    bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.width,
                    static_cast<size_t>(bitmap.width) * 4);
    return reinterpret_cast<const DibHeader*>(locked.emplace(id, std::move(block)).first->second.data());
}
