#include "formula/NameRegistry.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/WideString.h"
#include "formula/DocumentQueries.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeWalk.h"
#include "formula/Utf8Name.h"

#include <cstdlib>
#include <mutex>
#include <shared_mutex>

namespace {

struct NameRegistry {
    GrowArray<NameRegistryEntry> entries;
    uint32_t nextCode = kFirstRegistryCode;
};

NameRegistry Registry;
GrowArray<const char16_t*> NamesInUse;
// The document-task thread reads names while the user-interface thread may
// intern: growing the array must not pull the storage from under a reader.
std::shared_mutex RegistryLock;

constexpr int kStyleKeyCount = 5;
const char16_t* const StyleKeyNames[kStyleKeyCount] = {u"color", u"symbol", u"label", u"radius", u"fontsize"};
uint32_t StyleKeyCodes[kStyleKeyCount];
std::once_flag StyleKeysOnce;

const char16_t IndexName[] = u"_index_";

// Hands out the next code; the space ends at 65,535 rather than wrapping into
// the codes of letters and named symbols.
uint32_t TakeRegistryCode()
{
    if (Registry.nextCode > kLastRegistryCode) {
        PostFailure(FailureOutOfMemory);
        return 0;
    }
    return Registry.nextCode++;
}

void PushNameInUse(const char16_t* name)
{
    for (const char16_t* used : NamesInUse) {
        if (used == name)
            return;
    }
    NamesInUse.Push(name);
}

}  // namespace

uint32_t InternSymbolName(const char16_t* name)
{
    // No name, or text that was not a name (malformed UTF-8 reads as empty).
    if (!name || !name[0])
        return 0;
    {
        std::shared_lock reading(RegistryLock);
        for (const NameRegistryEntry& entry : Registry.entries) {
            if (WideCompare(entry.name, name) == 0)
                return entry.key;
        }
    }
    std::unique_lock writing(RegistryLock);
    // Another thread may have entered it between the two locks.
    for (const NameRegistryEntry& entry : Registry.entries) {
        if (WideCompare(entry.name, name) == 0)
            return entry.key;
    }
    bool ownCode = name[0] && !name[1] && name[0] < 128;
    if (!ownCode && Registry.nextCode > kLastRegistryCode) {
        PostFailure(FailureOutOfMemory);
        return 0;
    }
    char16_t* copy = WideDuplicateN(name, WideLength(name));
    if (!copy || !Registry.entries.Grow()) {
        std::free(copy);
        PostFailure(FailureOutOfMemory);
        return 0;
    }
    uint32_t code = ownCode ? name[0] : TakeRegistryCode();
    Registry.entries.Push(NameRegistryEntry{static_cast<uint16_t>(code), copy});
    PushNameInUse(copy);
    return code;
}

uint32_t InternSymbolName8(const char* name)
{
    return WithWideName(name, InternSymbolName);
}

uint32_t NextRegistryCode()
{
    std::unique_lock writing(RegistryLock);
    return TakeRegistryCode();
}

uint32_t InternalIndexCode(uint32_t depth)
{
    constexpr uint32_t kFirstInternalCode = 128;
    constexpr uint32_t kInternalCodes = 128;
    return depth < kInternalCodes ? kFirstInternalCode + depth : 0;
}

const char16_t* SymbolName(uint32_t code)
{
    auto key = static_cast<uint16_t>(code);
    std::shared_lock reading(RegistryLock);
    for (const NameRegistryEntry& entry : Registry.entries) {
        if (entry.key == key)
            return entry.name;
    }
    return IndexName;
}

void ClearNameRegistry()
{
    std::unique_lock writing(RegistryLock);
    for (NameRegistryEntry& entry : Registry.entries)
        std::free(entry.name);
    Registry.entries.Clear();
    // The names in use pointed into the registry.
    NamesInUse.Clear();
}

void NoteNameInUse(uint32_t code)
{
    const char16_t* name = SymbolName(code);
    std::unique_lock writing(RegistryLock);
    PushNameInUse(name);
}

const GrowArray<const char16_t*>& GetNamesInUse()
{
    return NamesInUse;
}

void ClearNamesInUse()
{
    std::unique_lock writing(RegistryLock);
    NamesInUse.Clear();
}

void InternStyleKeys()
{
    std::call_once(StyleKeysOnce, [] {
        for (int i = 0; i < kStyleKeyCount; ++i)
            StyleKeyCodes[i] = InternSymbolName(StyleKeyNames[i]);
    });
}

bool IsStyleKeyName(uint32_t code)
{
    InternStyleKeys();
    if (code == 0)
        return false;
    for (uint32_t key : StyleKeyCodes) {
        if (key == code)
            return true;
    }
    return false;
}

bool IsTableFunctionName(uint32_t code, const DocState* doc)
{
    return DocIsTableFunction(doc, code);
}

bool IsFlaggedFirstColumn(uint32_t code, const DocState* doc)
{
    return DocIsFlaggedFirstColumn(doc, code);
}

int32_t MaxTableLengthOfTree(FormulaNode* root, const DocState* doc)
{
    int32_t longest = 0;
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindVariable) {
            int32_t rows = DocTableColumnRowCount(doc, walk.Node()->payload.code);
            if (rows > longest)
                longest = rows;
        }
    }
    return longest;
}

bool IsBuiltInVariable(uint32_t code)
{
    return code == CodePhi || code == CodeTheta || (code >= CodeSphericalRadius && code <= CodeDataRow) || code == CodeR ||
           (code >= CodeT && code <= CodeZ);
}

bool IsConstantSymbol(uint32_t code)
{
    return code == CodePi || code == CodeInf || code == CodeDegree || code == CodeLdots || code == CodeE || code == CodeI;
}

bool IsReservedSymbol(uint32_t code)
{
    return (code >= CodePi && code <= CodeDataRow) || code == CodeE || code == CodeI || code == CodeR ||
           (code >= CodeT && code <= CodeZ);
}

bool IsBuiltInSymbol(uint32_t code)
{
    return (code >= CodePi && code <= CodeDataRow) || code == CodeE || code == CodeR || (code >= CodeT && code <= CodeZ);
}

bool CanBeFunctionParameter(uint32_t code)
{
    return code != CodePi && code != CodeInf && code != CodeDegree && code != CodeLdots;
}

const GrowArray<const char16_t*>& GetTableColumnNames(DocState* doc)
{
    return DocTableColumnNames(doc);
}
