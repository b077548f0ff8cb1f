// The Examples menu: the documents of the examples folder beside the
// program, its sub-folders as submenus. A file is an example by its
// content (it starts with the format's keyword), whatever its name.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>

class QMenu;

// One entry of one folder while it is read.
struct DirectoryEntry {
    QString path;
    // The file or folder name, a ".vlf" ending removed.
    QString name;
    bool isFolder = false;
};

// One example in menu order; its command is 35000 + number.
struct ExampleListEntry {
    QString name;
    QString path;
    int32_t number = 0;
};

constexpr int32_t kExampleCommandBase = 35000;

// Reads the folder and everything below it, appending its documents to the
// list (and, with a menu, to the menu, folders as submenus). Numbers run
// depth first from *number. Folders reached twice (through links) and
// nesting beyond a few levels are not read.
void BuildExamplesMenu(const QString& folder, int32_t* number, QList<ExampleListEntry>* list, QMenu* menu);
// Opens the example the examples tour has reached, in this window.
void OpenCurrentTourExample();
// The examples the main frame lists; 0 without a frame.
int32_t CountExamples();
// The demo dialog's caption of an example: "Examples menu", then each part
// of its path below the examples folder on a line of its own, indented by
// three blanks more each time, the ".vlf" ending dropped.
QString ExampleCaption(const QString& examplesFolder, const QString& path);
