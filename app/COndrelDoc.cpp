#include "app/COndrelDoc.h"

#include "app/RtfExport.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/DemoPlayer.h"
#include "app/FrameDocumentCalls.h"
#include "app/GraphPaneServices.h"
#include "app/MovieRecorder.h"
#include "app/RtfExport.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "document/DocumentHooks.h"
#include "document/DocumentReader.h"
#include "document/DocumentWriter.h"
#include "formula/EditorState.h"
#include "platform/MessageBox.h"
#include "platform/WindowQueries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

namespace {

COndrelDoc* CurrentDocument = nullptr;

FileDialogHook& DialogHook()
{
    static FileDialogHook hook;
    return hook;
}

DocumentWriteHook& WriteHook()
{
    static DocumentWriteHook hook;
    return hook;
}

bool StageAllowed(DocumentWriteStage stage)
{
    return !WriteHook() || WriteHook()(stage);
}

const QString kDocumentFilter = QStringLiteral(
    "Vellumor Document (*.vlf);;Rich Text Format (*.rtf);;All Files (*)");

bool HasTextOrTableLines(const DocState* doc)
{
    for (int32_t i = 0; i < doc->Lines.count; ++i)
        if (doc->Lines[i].kind == DocLineText || doc->Lines[i].kind == DocLineTable)
            return true;
    return false;
}

// The settings a file may leave out take the document's own defaults, not
// the user's preferences.
void SetFileDefaults(DocState* doc)
{
    doc->SignificantDigits = 6;
    doc->FontSizes = 24;
    doc->BackgroundType = 1;
    std::memset(doc->BackgroundColor, 0, sizeof doc->BackgroundColor);
    doc->SliderThrottle = 30;
    doc->SliderVariable = 'n';
    doc->StackPanes = false;
    std::strcpy(doc->FontName, "Times New Roman");
}

CMainFrame* Frame()
{
    COndrelApp* app = GetApp();
    return app ? app->MainFrame() : nullptr;
}

void ShowSaveFailure(const QString& cause)
{
    ShowMessageBox(QStringLiteral("File could not be saved: %1").arg(cause).toStdU16String(),
                   u"Vellumor", MessageBoxIcon::Error);
}

// The document text, written next to the file and moved over it only once
// every byte is on disk: a failure anywhere leaves the old file as it was.
bool WriteDocumentFile(const QString& path)
{
    int32_t length = 0;
    char* text = WriteDocumentText(GetDocState(), &length);
    if (!text) {
        ShowSaveFailure(QStringLiteral("out of memory"));
        return false;
    }
    QSaveFile file(path);
    auto cause = [&file](const char* usual) {
        return file.error() != QFileDevice::NoError ? file.errorString() : QString::fromLatin1(usual);
    };
    QString failure;
    if (!StageAllowed(DocumentWriteStage::Open) || !file.open(QIODevice::WriteOnly))
        failure = cause("Permission denied");
    else if (!StageAllowed(DocumentWriteStage::Write) || file.write(text, length) != length)
        failure = cause("No space left on device");
    else if (!StageAllowed(DocumentWriteStage::Commit) || !file.commit())
        failure = cause("No space left on device");
    BudgetFree(text);
    if (failure.isNull())
        return true;
    file.cancelWriting();
    ShowSaveFailure(failure);
    return false;
}

}  // namespace

DocumentSaveKind SaveKindForPath(const QString& path)
{
    QString ending = path.right(4).toLower();
    if (ending == QLatin1String(".avi"))
        return DocumentSaveKind::Movie;
    if (ending == QLatin1String(".rtf"))
        return DocumentSaveKind::Rtf;
    return DocumentSaveKind::Text;
}

void SetFileDialogHook(FileDialogHook hook)
{
    DialogHook() = std::move(hook);
}

void SetDocumentWriteHook(DocumentWriteHook hook)
{
    WriteHook() = std::move(hook);
}

QString ChooseDocumentFile(bool save, const QString& filter, const QString& initial)
{
    if (DialogHook())
        return DialogHook()(save, filter, initial);
    QFileDialog dialog(Frame(), QString(), initial, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setDefaultSuffix(QFileInfo(initial).suffix());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

COndrelDoc* GetDocument()
{
    return CurrentDocument;
}

void SetDocument(COndrelDoc* doc)
{
    CurrentDocument = doc;
}

QString ExamplesFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Examples"));
}

COndrelDoc::COndrelDoc() = default;

COndrelDoc* COndrelDoc::CreateObject()
{
    return new (std::nothrow) COndrelDoc;
}

COndrelDoc::~COndrelDoc()
{
    DocState* doc = GetDocState();
    if (doc->Graphs) {
        doc->Graphs->ClearAllGraphs();
        doc->FreeUndoRecord();
        doc->FreeLines();
    }
    if (CurrentDocument == this)
        CurrentDocument = nullptr;
}

void COndrelDoc::InitDocState()
{
    DocState* doc = GetDocState();
    CMainFrame* frame = Frame();
    doc->Init(frame && frame->GraphView() ? static_cast<WindowHandle>(frame->GraphView()) : nullptr);
    ApplyPreferencesToDocument(doc);
    doc->documentReady = true;
}

void COndrelDoc::DeleteContents()
{
    DocState* doc = GetDocState();
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
    doc->FreeLines();
    SetCurrentEditorState(nullptr);
}

bool COndrelDoc::OnNewDocument()
{
    DeleteContents();
    InitDocState();
    DocState* doc = GetDocState();
    if (CMainFrame* frame = Frame())
        frame->ApplyPaneLayout(DocPanesSideBySide(doc));
    doc->InsertEquationLine();
    doc->BeginFirstLine();
    SyncGraphBarSlider();
    SetPathName(QString(), false);
    SetModifiedFlag(false);
    return true;
}

bool COndrelDoc::OnOpenDocument(const QString& path)
{
    DocState* doc = GetDocState();
    if (doc->Graphs) {
        doc->Graphs->ClearAllGraphs();
        doc->EndEditing();
        doc->Reset(doc->GraphPaneWindow);
    } else {
        InitDocState();
    }
    SetFileDefaults(doc);
    QFile file(path);
    bool opened = file.open(QIODevice::ReadOnly);
    if (opened) {
        DeleteContents();
        LoadDocument(file);
    } else {
        PostFailure(FailureUnreadableFile);
    }
    if (opened && doc->readSucceeded) {
        if (!IsDemoRunning())
            doc->BeginFirstLine();
        return true;
    }
    doc->InsertEquationLine();
    return false;
}

void COndrelDoc::LoadDocument(QFile& file)
{
    DocState* doc = GetDocState();
    doc->readSucceeded = false;
    qint64 size = file.size();
    // A huge file is refused before a byte of it is read.
    if (size < 0 || size > kMaxDocumentFileBytes ||
        static_cast<double>(size) + 1 > HeapBudgetLimit() - MemoryBudgetCount()) {
        PostFailure(FailureUnreadableFile);
        return;
    }
    auto* block = static_cast<char*>(BudgetMalloc(static_cast<uint32_t>(size) + 1, false));
    if (!block) {
        PostFailure(FailureOutOfMemory);
        return;
    }
    qint64 got = size > 0 ? file.read(block, size) : 0;
    bool binary = got == size &&
        CheckBinaryDocumentSignature(reinterpret_cast<const unsigned char*>(block), static_cast<size_t>(got)) == 10;
    if (got == size && !binary)
        ReadDocumentText(doc, block, static_cast<size_t>(got));
    BudgetFree(block);
    if (!doc->readSucceeded) {
        // Only a header that was read can say the file is newer.
        bool newer = got == size && !binary && LastDocumentFormatVersion() > kDocumentFormatVersion;
        PostFailure(newer ? FailureNewerDocument : FailureUnreadableFile);
        return;
    }
    CMainFrame* frame = Frame();
    if (frame) {
        const ShortRect& r = doc->windowRect;
        if (!IsDemoRunning() && ShortRectWidth(r) > 0 && ShortRectHeight(r) > 0)
            frame->RestoreWindowRect(QRect(r.left, r.top, ShortRectWidth(r), ShortRectHeight(r)));
        frame->ApplyPaneLayout(DocPanesSideBySide(doc));
        frame->ApplyStoredPaneSize();
    }
    bool sliderMoving = doc->SliderMoving;
    doc->Recompute();
    SyncGraphBarSlider();
    doc->UpdateMathPaneSliderValues();
    doc->documentReady = true;
    if (doc->drawGraphAsRead) {
        doc->BeginGraphing();
        doc->justLoaded = true;
    } else if (HasTextOrTableLines(doc)) {
        InvalidateEquationPaneNoErase();
    }
    doc->SliderMoving = sliderMoving;
    if (!sliderMoving)
        doc->StopAnimation();
    if (frame && frame->GraphView())
        frame->GraphView()->RebuildSurfaces(true, GetWindowClientRect(frame->GraphView()));
    SetModifiedFlag(false);
    RedrawGraphPane();
}

void COndrelDoc::SetPathName(const QString& path, bool addToRecentList)
{
    // A name handed over by the shell may still carry its opening quote.
    QString bare = path.startsWith(QLatin1Char('"')) ? path.mid(1) : path;
    QString absolute = bare.isEmpty() ? QString() : QFileInfo(bare).absoluteFilePath();
    bool example = absolute.startsWith(ExamplesFolder() + QLatin1Char('/'), Qt::CaseInsensitive);
    if (path.isEmpty() || path.compare(QLatin1String("Untitled"), Qt::CaseInsensitive) == 0 || example) {
        m_path.clear();
        m_title = QStringLiteral("Untitled");
    } else {
        m_path = absolute;
        m_title = QFileInfo(absolute).fileName();
        if (addToRecentList && GetApp())
            GetApp()->AddToRecentFileList(absolute);
    }
    ShowTitle();
}

void COndrelDoc::SetTitle(const QString& title)
{
    m_title = title;
    ShowTitle();
}

void COndrelDoc::SetModifiedFlag(bool modified)
{
    m_modified = modified;
    if (CMainFrame* frame = Frame())
        frame->setWindowModified(modified);
}

void COndrelDoc::ShowTitle()
{
    if (CMainFrame* frame = Frame())
        frame->setWindowTitle(m_title + QStringLiteral("[*] - Vellumor"));
}

bool COndrelDoc::SaveToPath(const QString& path, int32_t kind)
{
    switch (SaveKindForPath(path)) {
    case DocumentSaveKind::Movie:
        return SaveMovie(path, kind, graphView);
    case DocumentSaveKind::Rtf:
        if (!WriteDocumentRtf(GetDocState(), graphView, path)) {
            ShowSaveFailure(QStringLiteral("the file could not be written"));
            return false;
        }
        return true;
    case DocumentSaveKind::Text:
        break;
    }
    if (!WriteDocumentFile(path))
        return false;
    SetModifiedFlag(false);
    return true;
}

bool COndrelDoc::OnFileSave()
{
    if (m_path.isEmpty())
        return OnFileSaveAs();
    return OnSaveDocument(m_path);
}

bool COndrelDoc::SaveAsWithDialog(bool movieOnly, int32_t kind)
{
    QString filter = movieOnly ? QStringLiteral("AVI Movie (*.avi)") : kDocumentFilter;
    QString path = ChooseDocumentFile(true, filter, QStringLiteral("Untitled.vlf"));
    if (path.isEmpty() || !SaveToPath(path, kind))
        return false;
    // Exports leave the document's own name alone.
    if (QFileInfo(path).suffix().compare(QLatin1String("vlf"), Qt::CaseInsensitive) == 0)
        SetPathName(path, true);
    return true;
}
