// The program's one document: New, Open, Save and Save As over the one
// document state, the text reader and the text writer. Saving chooses the
// output by the file name's extension.
#pragma once

#include "document/DocumentReader.h"

#include <QString>

#include <cstdint>
#include <functional>

class CGraphView;
class COndrelView;
class QFile;

enum class DocumentSaveKind { Text, Rtf, Movie };
// ".avi" and ".rtf" in any case choose the movie and the RTF export; any
// other name the document text.
DocumentSaveKind SaveKindForPath(const QString& path);

// Places the tests replace: the file dialogs, and a stage of writing a file
// that is to fail (a folder that refuses the file, a disk that fills up).
enum class DocumentWriteStage { Open, Write, Commit };
using FileDialogHook = std::function<QString(bool save, const QString& filter, const QString& initial)>;
using DocumentWriteHook = std::function<bool(DocumentWriteStage)>;
void SetFileDialogHook(FileDialogHook hook);
void SetDocumentWriteHook(DocumentWriteHook hook);
// The name the user chooses in the open or save dialog; empty when cancelled.
QString ChooseDocumentFile(bool save, const QString& filter, const QString& initial);

// Files above the largest text the reader takes are refused before they are read.
constexpr int64_t kMaxDocumentFileBytes = static_cast<int64_t>(kMaxDocumentTextBytes);

class COndrelDoc {
public:
    COndrelDoc();
    ~COndrelDoc();
    COndrelDoc(const COndrelDoc&) = delete;
    COndrelDoc& operator=(const COndrelDoc&) = delete;
    static COndrelDoc* CreateObject();

    bool OnNewDocument();
    // False, with failure 41 or 47 posted and an empty equation shown, when
    // the file is not a document this version reads.
    bool OnOpenDocument(const QString& path);
    bool OnSaveDocument(const QString& path) { return SaveToPath(path, 2); }
    // Save: to the document's path, or through Save As when it has none.
    bool OnFileSave();
    bool OnFileSaveAs() { return SaveAsWithDialog(false, 2); }
    bool SaveAsWithDialog(bool movieOnly, int32_t kind);
    // True when the file was written; the previous file stays whole and the
    // modified flag stays set otherwise.
    bool SaveToPath(const QString& path, int32_t kind);
    void LoadDocument(QFile& file);
    void InitDocState();
    void DeleteContents();

    // Documents from the program's examples folder stay untitled, so that
    // saving one asks for a new name and none enters the recent-file list.
    void SetPathName(const QString& path, bool addToRecentList);
    const QString& PathName() const { return m_path; }
    const QString& Title() const { return m_title; }
    // The title a demonstration gives its document; the path stays.
    void SetTitle(const QString& title);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    COndrelView* equationView = nullptr;
    CGraphView* graphView = nullptr;

private:
    void ShowTitle();

    QString m_path;
    QString m_title = QStringLiteral("Untitled");
    bool m_modified = false;
};

// The document of the running program; null before the frame makes it.
COndrelDoc* GetDocument();
void SetDocument(COndrelDoc* doc);
// The folder whose documents open untitled.
QString ExamplesFolder();
