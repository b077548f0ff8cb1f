// The finished images of a plot kept by animation value, so that a slider
// value seen before is shown without computing again. A plot that caches
// asks Recall when the slider variable changes, and calls Store from Draw
// once its image is complete.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

struct ImageCacheEntry {
    double value;
    GlobalHandle block;
};

class ImageCache {
public:
    ImageCache() = default;
    ~ImageCache() { Clear(); }
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    // The block of the first entry whose value equals value exactly; null
    // for none.
    GlobalHandle Find(double value) const;
    // Frees every block and the entries. Whatever is pending stays pending:
    // the computation under way still belongs to the remembered value.
    void Clear();
    int32_t Count() const { return entries_.count; }

    // The slider moved to value and the plot has stopped. True when the
    // image of the value was copied into image (bytes long): the plot shows
    // it and computes nothing. False when the plot must compute; the image
    // is then stored under the value once complete, unless caching is off.
    bool Recall(double value, void* image, uint32_t bytes);
    // From Draw of a complete plot: keeps a copy of the image under the
    // remembered value when a store is pending. A block that cannot be had
    // turns caching off.
    void Store(const void* image, uint32_t bytes);

    // Set at construction by the plot's class, and when memory fails.
    bool disabled = false;
    bool storePending = false;
    double pendingValue = 0;

private:
    GrowArray<ImageCacheEntry> entries_;
};
