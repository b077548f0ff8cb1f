// Text-block markup from a file, read into real text boxes: whatever reads
// must write back as markup that reads again to the same text and formats,
// and the written document never carries a NUL. The first byte chooses the
// file's encoding (UTF-8 or the Macintosh code page).
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "app/LayerServices.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentViewSettings.h"
#include "document/DocumentWriter.h"
#include "formula/FormulaEngine.h"
#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxBytes = 4096;

bool Start()
{
    MakeFuzzApplication("text-markup-fuzz");
    if (!InitFormulaEngine())
        return false;
    RegisterLayerServices();
    return true;
}

std::string Written(DocState* doc)
{
    int32_t length = 0;
    char* text = WriteDocumentText(doc, &length);
    FuzzRequire(text != nullptr, "a document is written");
    std::string written(text, static_cast<size_t>(length));
    BudgetFree(text);
    FuzzRequire(written.find('\0') == std::string::npos, "a written document holds no NUL");
    return written;
}

bool Read(DocState* doc, const std::string& text)
{
    doc->Reset(nullptr);
    ResetKeptViewSettings();
    return ReadDocumentText(doc, text.data(), text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = Start();
    static DocState* doc = [] {
        auto* d = new DocState;
        d->Init(nullptr);
        return d;
    }();
    if (!started || size == 0)
        return 0;
    AbortFlag = 0;
    ResetFailureRegister();
    const bool mac = data[0] & 1;
    std::string markup(reinterpret_cast<const char*>(data + 1), std::min(size - 1, kMaxBytes));
    std::string file = std::string("Vellumor 4;\r") + (mac ? "TextEncodingMacOS;\r" : "") + "Text \"" + markup + "\";\r";
    if (Read(doc, file)) {
        std::string first = Written(doc);
        FuzzRequire(Read(doc, first), "a written document reads again");
        FuzzRequire(Written(doc) == first, "a written document writes the same text again");
    }
    doc->Reset(nullptr);
    // Registered once the boxes made their fonts: the application then goes
    // before the font caches that came with them.
    DeleteFuzzApplicationAtExit();
    return 0;
}
