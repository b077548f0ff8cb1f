#include "CoreUtilities/WideLiteralCache.h"

#include "CoreUtilities/TextEncoding.h"

#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// Keyed by the literal's text, not its address, so that a caller's buffer
// that is later reused can never answer a stale copy. Created on first use
// and never freed, so that it outlives every caller at exit.
struct LiteralHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

struct WideLiteralCache {
    std::mutex lock;
    std::unordered_map<std::string, const char16_t*, LiteralHash, std::equal_to<>> copies;
};

WideLiteralCache& Cache()
{
    static auto* cache = new WideLiteralCache;
    return *cache;
}

}  // namespace

const char16_t* WideFromLiteral(const char* literal)
{
    auto* copy = new char16_t[std::strlen(literal) + 1];
    NarrowToWide(literal, copy, kTextAscii);
    WideLiteralCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    auto [entry, added] = cache.copies.try_emplace(literal, copy);
    if (!added)
        delete[] copy;  // another thread converted it first
    return entry->second;
}

const char16_t* WideLiteral(const char* literal)
{
    WideLiteralCache& cache = Cache();
    {
        std::lock_guard<std::mutex> hold(cache.lock);
        auto entry = cache.copies.find(std::string_view(literal));
        if (entry != cache.copies.end())
            return entry->second;
    }
    return WideFromLiteral(literal);
}
