#include "platform/BitmapResource.h"

#include "platform/ProgramResources.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QString>

#include <cstring>
#include <map>
#include <mutex>

bool LoadBitmapResource(int id, BitmapPixels& out)
{
    RegisterProgramResources();
    QImage image(QStringLiteral(":/bitmaps/%1.png").arg(id));
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

void MapButtonColours(BitmapPixels& bitmap)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    const QPalette palette = QGuiApplication::palette();
    auto colour = [&](QPalette::ColorRole role) { return palette.color(QPalette::Active, role).rgb() & 0xFFFFFF; };
    const struct {
        uint32_t grey, system;
    } map[] = {{0x808080, colour(QPalette::Dark)}, {0xC0C0C0, colour(QPalette::Button)},
               {0xDFDFDF, colour(QPalette::Midlight)}};
    for (uint32_t& pixel : bitmap.pixels)
        for (const auto& m : map)
            if (pixel == m.grey) {
                pixel = m.system;
                break;
            }
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
