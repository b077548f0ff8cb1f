// Stand-ins for the text boxes, tables and pictures of the layers above the
// document, so that document text can be read and written whole in tests:
// boxes keep characters with their formats, tables keep UTF-8 cells, and a
// picture is the block of its text.
#pragma once

#include <string>
#include <vector>

class COurEdit;
struct DataTable;

struct StandInFormat {
    std::string face;
    int size = 0;
    bool effects[3] = {false, false, false};
    bool operator==(const StandInFormat&) const = default;
};

struct StandInTextBox {
    // Each character as its UTF-8 bytes ("\r" a paragraph break).
    std::vector<std::string> characters;
    std::vector<StandInFormat> formats;
    StandInFormat current;
};

struct StandInTable {
    std::vector<std::vector<std::string>> columns;
    int fontSize = 12;
    int displayRows = 0;
};

// Fills the document's file hooks and its box and table freeing hooks;
// the destructor empties them again.
class DocumentSectionStandIns {
public:
    DocumentSectionStandIns();
    ~DocumentSectionStandIns();
    DocumentSectionStandIns(const DocumentSectionStandIns&) = delete;
    DocumentSectionStandIns& operator=(const DocumentSectionStandIns&) = delete;
};

// The plain text of a box (line breaks as "\r").
std::string StandInText(const COurEdit* box);
const StandInTextBox* AsStandInBox(const COurEdit* box);
const StandInTable* AsStandInTable(const DataTable* table);
COurEdit* NewStandInBox();
DataTable* NewStandInTable(const std::vector<std::vector<std::string>>& columns);
// Boxes and tables not yet freed; zero after a test that leaks none.
int LiveStandIns();
