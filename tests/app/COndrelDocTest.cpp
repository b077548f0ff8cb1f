#include "app/COndrelDoc.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/PictureHandle.h"
#include "document/DocState.h"
#include "formula/FormulaEngine.h"
#include "platform/MessageBox.h"
#include "support/PicturePixels.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

class COndrelDocTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        ResetFailureRegister();
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon,
                                 MessageBoxButtons) {
            messages.push_back(QString::fromStdU16String(text));
            return true;
        });
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(doc.OnNewDocument());
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetFileDialogHook(nullptr);
        SetDocumentWriteHook(nullptr);
        ResetFailureRegister();
    }

    QString Path(const char* name) const { return QDir(folder.path()).filePath(QLatin1String(name)); }

    static QByteArray Contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir folder;
    COndrelDoc doc;
    std::vector<QString> messages;
};

TEST(SaveKindTest, ExtensionChoosesTheOutputInAnyCase)
{
    struct Case {
        const char* path;
        DocumentSaveKind kind;
    } cases[] = {{"/a/b.avi", DocumentSaveKind::Movie},   {"/a/b.AvI", DocumentSaveKind::Movie},
                 {"b.RTF", DocumentSaveKind::Rtf},        {"b.rTf", DocumentSaveKind::Rtf},
                 {"b.vlf", DocumentSaveKind::Text},       {"b.avi.vlf", DocumentSaveKind::Text},
                 {"b_avi", DocumentSaveKind::Text},       {"rtf", DocumentSaveKind::Text},
                 {"", DocumentSaveKind::Text}};
    for (const Case& c : cases)
        EXPECT_EQ(SaveKindForPath(QString::fromUtf8(c.path)), c.kind) << c.path;
}

TEST_F(COndrelDocTest, SavedDocumentOpensAgainUnmodified)
{
    QString path = Path("Spiral.vlf");
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(doc.SaveToPath(path, 2));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(Contents(path).startsWith("Vellumor 4"));

    doc.SetModifiedFlag(true);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(GetDocState()->readSucceeded);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(GetDocState()->Lines.count, 1);
    EXPECT_EQ(TakePendingFailure(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(COndrelDocTest, DocumentSavedWithItsGraphsShownBuildsThemWhenOpened)
{
    // Every recompute clears the shown-graphs flag, so the open must go by
    // what the file says.
    const struct {
        const char* text;
        int32_t phase;
    } cases[] = {{"Vellumor 4;\rDrawGraph 1;\rExpr y=x;\r", 1}, {"Vellumor 4;\rDrawGraph 0;\rExpr y=x;\r", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QString path = Path("Shown.vlf");
        Write(path, c.text);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        EXPECT_EQ(GetDocState()->GraphBuildPhase, c.phase);
        GetDocState()->GraphBuildPhase = 0;
    }
}

TEST_F(COndrelDocTest, LinePictureIsSavedAsTextAndReadBack)
{
    ShortRect r;
    SetShortRect(r, 0, 0, 6, 11);
    PictureHandle pic = NewPictureHandle(r);
    auto* bits = reinterpret_cast<uint32_t*>(GetPackedDibBits(static_cast<DibHeader*>(LockGlobalHandle(pic))));
    for (int i = 0; i < 66; ++i)
        bits[i] = 0x203040u * static_cast<uint32_t>(i % 7) + 0x11;
    UnlockGlobalHandle(pic);
    const std::vector<uint32_t> pixels = PicturePixels(pic);
    GetDocState()->Lines[0].picture = pic;

    QString path = Path("picture.vlf");
    ASSERT_TRUE(doc.SaveToPath(path, 2));
    EXPECT_TRUE(Contents(path).contains("Picture \"iVBORw0KGgo"));  // a PNG's first bytes in base64
    ASSERT_TRUE(doc.OnOpenDocument(path));
    PictureHandle back = GetDocState()->Lines[0].picture;
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(PicturePixels(back), pixels);
}

TEST_F(COndrelDocTest, UnreadableFilesPostTheirFailureAndLeaveAnEmptyEquation)
{
    ASSERT_TRUE(doc.SaveToPath(Path("good.vlf"), 2));
    QByteArray good = Contents(Path("good.vlf"));
    QByteArray newer = good;
    newer.replace("Vellumor 4", "Vellumor 5");
    newer.append("Expr (x;\r");  // a formula this version cannot read
    QByteArray binary(28, '\0');
    const char signature[16] = {0, 1, 2, 3, 4, 'O', 'N', 'D', 'R', 'E', 'L', 4, 3, 2, 1, 0};
    binary.replace(0, 16, QByteArray(signature, 16));
    binary[16] = 32;
    binary[24] = 10;
    struct Case {
        const char* name;
        QByteArray bytes;
        int32_t failure;
    } cases[] = {{"newer.vlf", newer, FailureNewerDocument},
                 {"garbage.vlf", QByteArray("\x01\x02garbage (((", 13), FailureUnreadableFile},
                 {"binary.vlf", binary, FailureUnreadableFile},
                 {"empty.vlf", QByteArray(), FailureUnreadableFile}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Path(c.name), c.bytes);
        ResetFailureRegister();
        EXPECT_FALSE(doc.OnOpenDocument(Path(c.name)));
        EXPECT_EQ(TakePendingFailure(), c.failure);
        ASSERT_EQ(GetDocState()->Lines.count, 1);
        EXPECT_EQ(GetDocState()->Lines[0].kind, DocLineEquation);
    }
    ResetFailureRegister();
    EXPECT_FALSE(doc.OnOpenDocument(Path("missing.vlf")));
    EXPECT_EQ(TakePendingFailure(), FailureUnreadableFile);
}

TEST_F(COndrelDocTest, HugeFileIsRefusedBeforeItIsRead)
{
    QString path = Path("huge.vlf");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(kMaxDocumentFileBytes + 1));  // sparse: costs no disk
    }
    // Were a block made for the text it would be the first allocation, and
    // refused: the failure would then be memory (36), not the file (41).
    PlanBudgetRefusals(1, false);
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EndBudgetRefusals();
    EXPECT_EQ(TakePendingFailure(), FailureUnreadableFile);
}

TEST_F(COndrelDocTest, FailedWriteKeepsTheOldFileAndTheModifiedFlag)
{
    QString path = Path("keep.vlf");
    const QByteArray old("Vellumor 4;\rExpr \"y=x\";\r");
    for (DocumentWriteStage failing :
         {DocumentWriteStage::Open, DocumentWriteStage::Write, DocumentWriteStage::Commit}) {
        SCOPED_TRACE(static_cast<int>(failing));
        Write(path, old);
        messages.clear();
        SetDocumentWriteHook([failing](DocumentWriteStage stage) { return stage != failing; });
        doc.SetModifiedFlag(true);
        EXPECT_FALSE(doc.SaveToPath(path, 2));
        EXPECT_EQ(Contents(path), old);
        EXPECT_TRUE(doc.IsModified());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("File could not be saved: ")));
        // No half-written copy is left beside it.
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.vlf")});
    }
}

TEST_F(COndrelDocTest, ExamplesOpenUntitledAndSaveAsNamesOnlyDocuments)
{
    for (QString examples : {ExamplesFolder(), ExamplesFolder().toUpper(), QLatin1Char('"') + ExamplesFolder()}) {
        doc.SetPathName(examples + QStringLiteral("/Torus.vlf"), true);
        EXPECT_TRUE(doc.PathName().isEmpty()) << examples.toStdString();
        EXPECT_EQ(doc.Title(), QStringLiteral("Untitled"));
    }
    doc.SetPathName(QStringLiteral("untitled"), false);
    EXPECT_TRUE(doc.PathName().isEmpty());

    QString chosen = Path("Mine.VLF");
    SetFileDialogHook([&chosen](bool save, const QString&, const QString&) {
        EXPECT_TRUE(save);
        return chosen;
    });
    // Save with no name asks for one.
    ASSERT_TRUE(doc.OnFileSave());
    EXPECT_EQ(doc.PathName(), chosen);
    EXPECT_EQ(doc.Title(), QStringLiteral("Mine.VLF"));
    // An export writes its file and leaves the document's name alone.
    chosen = Path("export.rtf");
    EXPECT_TRUE(doc.OnFileSaveAs());
    EXPECT_EQ(doc.PathName(), Path("Mine.VLF"));
    EXPECT_TRUE(Contents(chosen).startsWith("{\\rtf1"));
    // A cancelled dialog saves nothing.
    chosen.clear();
    EXPECT_FALSE(doc.OnFileSaveAs());
}

}  // namespace
