#include "graphs2d/ImageCache.h"

GlobalHandle ImageCache::Find(double value) const
{
    for (const ImageCacheEntry& entry : entries_) {
        if (entry.value == value)
            return entry.block;
    }
    return nullptr;
}

void ImageCache::Clear()
{
    for (ImageCacheEntry& entry : entries_)
        BudgetGlobalFree(entry.block);
    entries_.Clear();
}

bool ImageCache::Recall(double value, void* image, uint32_t bytes)
{
    if (GlobalHandle block = Find(value)) {
        // Images of another size belong to an earlier view; entries are
        // cleared when the view changes, so this is a lost block, as is one
        // that no longer locks.
        void* copy = GlobalHandleSize(block) == bytes ? LockGlobalHandle(block) : nullptr;
        storePending = false;
        if (!copy) {
            disabled = true;
            return false;
        }
        MoveBytes(image, copy, bytes);
        UnlockGlobalHandle(block);
        return true;
    }
    storePending = true;
    pendingValue = value;
    return false;
}

void ImageCache::Store(const void* image, uint32_t bytes)
{
    if (!storePending || disabled)
        return;
    GlobalHandle block = BudgetGlobalAlloc(bytes);
    if (!block) {
        Clear();
        disabled = true;
        return;
    }
    void* copy = LockGlobalHandle(block);
    if (!copy || entries_.Push({pendingValue, block}) != 0) {
        if (copy)
            UnlockGlobalHandle(block);
        BudgetGlobalFree(block);
        disabled = true;
        return;
    }
    MoveBytes(copy, image, bytes);
    UnlockGlobalHandle(block);
    storePending = false;
}
