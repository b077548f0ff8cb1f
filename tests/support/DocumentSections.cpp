#include "support/DocumentSections.h"

#include "document/DataTable.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/PictureHandle.h"
#include "CoreUtilities/TextBufferStack.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentHooks.h"

#include <cstring>

namespace {

int live = 0;

StandInTextBox* Box(COurEdit* box) { return reinterpret_cast<StandInTextBox*>(box); }
StandInTable* Table(DataTable* table) { return reinterpret_cast<StandInTable*>(table); }

int SequenceLength(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

void Insert(COurEdit* box, const std::string& character)
{
    Box(box)->characters.push_back(character);
    Box(box)->formats.push_back(Box(box)->current);
}

void PutString(const std::string& text)
{
    for (char c : text)
        PutTextChar(c);
}

// The markup writer's rules: a mark wherever the format changes from the
// running one, which starts at the document's face and size.
void WriteMarkup(COurEdit* box, DocState* doc)
{
    StandInFormat running{doc->FontName, doc->FontSizes, {false, false, false}};
    const StandInTextBox* b = Box(box);
    static const char* const kOn[3] = {"<B>", "<I>", "<U>"};
    static const char* const kOff[3] = {"</B>", "</I>", "</U>"};
    for (size_t i = 0; i < b->characters.size(); ++i) {
        const StandInFormat& f = b->formats[i];
        if (f.face != running.face)
            PutString("<font=" + f.face + ">");
        if (f.size != running.size)
            PutString("<size=" + std::to_string(f.size) + ">");
        for (int e = 0; e < 3; ++e) {
            if (f.effects[e] != running.effects[e])
                PutString(f.effects[e] ? kOn[e] : kOff[e]);
        }
        running = f;
        const std::string& c = b->characters[i];
        if (c == "\"")
            PutString("\"\"");
        else if (c == "<")
            PutString("<<");
        else
            PutString(c);
    }
}

void WriteTable(DataTable* table)
{
    for (const auto& column : Table(table)->columns) {
        for (const std::string& cell : column) {
            PutTextChar('\t');
            PutString(cell);
        }
        PutTextChar('\r');
    }
}

}  // namespace

DocumentSectionStandIns::DocumentSectionStandIns()
{
    // Stand-in tables take the place of real ones: nothing may treat them
    // as real tables meanwhile.
    DocumentHooks& document = GetDocumentHooks();
    document.tableColumnCount = nullptr;
    document.tableHeaderFormula = nullptr;
    document.tableColumnIsFormula = nullptr;
    document.isTableDragging = nullptr;
    document.setTableDragging = nullptr;
    document.isTableRowEmpty = nullptr;
    document.isTableCellHidden = nullptr;
    document.markColumnsForRecompute = nullptr;
    document.prepareTableFormulas = nullptr;
    document.computeFormulaColumns = nullptr;
    document.computeTableColumnKinds = nullptr;
    document.beginTableCellEdit = nullptr;
    document.rebuildTableFunctions = nullptr;
    document.tableValue = nullptr;
    DocumentFileHooks& hooks = GetDocumentFileHooks();
    hooks.prepareTableAfterRead = nullptr;
    hooks.createTextBox = [](DocState*, const char* face, int32_t pixels) {
        COurEdit* box = NewStandInBox();
        // A box's character format holds at most 31 bytes of a face.
        Box(box)->current = {std::string(face).substr(0, 31), pixels, {false, false, false}};
        return box;
    };
    hooks.replaceTextBoxSelection = [](COurEdit* box, const char* bytes, int32_t length, bool utf8) {
        for (int32_t i = 0; i < length;) {
            int n = utf8 ? std::min(SequenceLength(static_cast<unsigned char>(bytes[i])), length - i) : 1;
            Insert(box, std::string(bytes + i, n));
            i += n;
        }
    };
    hooks.insertTextBoxChar = [](COurEdit* box, char c) { Insert(box, std::string(1, c)); };
    hooks.insertTextBoxLineBreak = [](COurEdit* box) { Insert(box, "\r"); };
    hooks.setTextBoxEffect = [](COurEdit* box, int32_t effect, bool on) { Box(box)->current.effects[effect] = on; };
    hooks.setTextBoxSelectionFace = [](COurEdit* box, const char* face) { Box(box)->current.face = face; };
    hooks.setTextBoxSelectionSize = [](COurEdit* box, int32_t size) { Box(box)->current.size = size; };
    hooks.writeTextBoxMarkup = &WriteMarkup;
    hooks.newDataTable = [](DocState*) { return NewStandInTable({}); };
    hooks.appendCellBytes = [](DataTable* table, const char* bytes, int32_t length, bool newColumn) {
        if (newColumn || Table(table)->columns.empty())
            Table(table)->columns.emplace_back();
        Table(table)->columns.back().emplace_back(bytes, length);
    };
    hooks.writeTableText = &WriteTable;
    hooks.setTableFontSize = [](DataTable* table, int32_t size) { Table(table)->fontSize = size; };
    hooks.tableFontSize = [](const DataTable* table) { return int32_t(AsStandInTable(table)->fontSize); };
    hooks.setTableDisplayRows = [](DataTable* table, int32_t rows) { Table(table)->displayRows = rows; };
    hooks.tableDisplayRows = [](const DataTable* table) { return int32_t(AsStandInTable(table)->displayRows); };
    hooks.decodePictureText = [](const char* text, int32_t length) -> GlobalHandle {
        // As a picture decoder would, an empty text gives no picture.
        if (length <= 0)
            return nullptr;
        GlobalHandle picture = BudgetGlobalAlloc(static_cast<uint32_t>(length));
        if (picture && length > 0) {
            std::memcpy(LockGlobalHandle(picture), text, length);
            UnlockGlobalHandle(picture);
        }
        return picture;
    };
    hooks.writePictureText = [](GlobalHandle picture) {
        uint32_t size = GlobalHandleSize(picture);
        const char* bytes = static_cast<const char*>(LockGlobalHandle(picture));
        for (uint32_t i = 0; i < size; ++i)
            PutTextChar(bytes[i]);
        UnlockGlobalHandle(picture);
        return size > 0;
    };
    DocumentHooks& documentHooks = GetDocumentHooks();
    documentHooks.destroyTextBox = [](COurEdit* box) {
        --live;
        delete Box(box);
    };
    documentHooks.freeDataTable = [](DataTable* table) {
        --live;
        delete Table(table);
    };
}

DocumentSectionStandIns::~DocumentSectionStandIns()
{
    GetDocumentFileHooks() = DocumentFileHooks{};
    GetDocumentHooks().destroyTextBox = nullptr;
    GetDocumentHooks().freeDataTable = nullptr;
    // The real tables again.
    RegisterDataTableHooks();
}

std::string StandInText(const COurEdit* box)
{
    std::string text;
    for (const std::string& c : AsStandInBox(box)->characters)
        text += c;
    return text;
}

const StandInTextBox* AsStandInBox(const COurEdit* box)
{
    return reinterpret_cast<const StandInTextBox*>(box);
}

const StandInTable* AsStandInTable(const DataTable* table)
{
    return reinterpret_cast<const StandInTable*>(table);
}

COurEdit* NewStandInBox()
{
    ++live;
    return reinterpret_cast<COurEdit*>(new StandInTextBox);
}

DataTable* NewStandInTable(const std::vector<std::vector<std::string>>& columns)
{
    ++live;
    auto* table = new StandInTable;
    table->columns = columns;
    return reinterpret_cast<DataTable*>(table);
}

int LiveStandIns()
{
    return live;
}
