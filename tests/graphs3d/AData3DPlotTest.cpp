#include "graphs3d/AData3DPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "formula/NameRegistry.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "rendering/Camera3D.h"
#include "rendering/MeshBuffer.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

// The cells of the test's table columns by key, rows from 1; NaN an empty
// cell.
std::map<uint32_t, std::vector<double>> cells;

double CellValue(const DocState*, uint32_t key, int32_t row)
{
    const auto it = cells.find(key);
    return it != cells.end() && row >= 1 && row <= static_cast<int32_t>(it->second.size()) ? it->second[row - 1]
                                                                                            : NAN;
}

class Data3D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        RegisterDocumentServices();
        savedTableValue = GetDocumentHooks().tableValue;
        GetDocumentHooks().tableValue = &CellValue;
        context.camera = &camera;
    }
    void TearDown() override
    {
        GetDocumentHooks().tableValue = savedTableValue;
        doc.TableFunctions.Clear();
        cells.clear();
    }

    // A table column of the name with the values.
    void Column(const char* name, std::vector<double> values)
    {
        const uint32_t key = InternSymbolName8(name);
        cells[key] = values;
        doc.TableFunctions.Push({key, 0, static_cast<int32_t>(doc.TableFunctions.count),
                                 static_cast<int32_t>(values.size()), 0});
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    std::unique_ptr<AData3DPlot> Make(const char* x, const char* y, const char* z, const char* condition = nullptr,
                                      const char* label = nullptr, const char* size = nullptr)
    {
        std::unique_ptr<AData3DPlot> p(new AData3DPlot(Formula(x), Formula(y), Formula(z), Formula(condition),
                                                       nullptr, Formula(label), nullptr, Formula(size),
                                                       new AGraphColor(&context, &doc), &context, &doc));
        EXPECT_TRUE(WaitUntil([&] { return p->IsComplete(); }));
        return p;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    double (*savedTableValue)(const DocState*, uint32_t, int32_t) = nullptr;
};

// Five rows whose third has an empty cell give four points; the bounds
// and the extent cover those four; the row count follows the longest
// column named.
TEST_F(Data3D, EmptyCellLeavesItsRowOut)
{
    Column("px", {1, 2, 3, 4, 5});
    Column("py", {0, -1, 0, 1, 0});
    Column("pz", {1, 1, NAN, 7, 1, 1});
    auto p = Make("'px'", "'py'", "'pz'");
    EXPECT_EQ(p->RowCount(), 6);
    ASSERT_EQ(p->PointCount(), 4);
    const float expected[4][3] = {{1, 0, 1}, {2, -1, 1}, {4, 1, 7}, {5, 0, 1}};
    for (int32_t i = 0; i < 4; ++i) {
        for (int32_t a = 0; a < 3; ++a)
            EXPECT_EQ(p->Points()[3 * i + a], expected[i][a]) << i;
    }
    double b[6];
    ASSERT_TRUE(p->GetDataBounds(&b[0], &b[1], &b[2], &b[3], &b[4], &b[5]));
    const double bounds[6] = {1, 5, -1, 1, 1, 7};
    for (int32_t k = 0; k < 6; ++k)
        EXPECT_EQ(b[k], bounds[k]) << k;
    // (4, 1, 7) is the farthest from the box centre in normalised units.
    EXPECT_NEAR(p->GetExtent(), std::sqrt(16.0 + 1 + 49), 1e-5);
    EXPECT_EQ(p->GetStatus(), MessageNone);
    EXPECT_FALSE(p->HasResolution());
    p->SetOption(OptionUploadMesh, 0);
    ASSERT_EQ(p->MeshCount(), 1);
    EXPECT_EQ(p->Meshes()[0].vertexCount, 4u);
}

// A condition that no row meets: status 11 and no bounds.
TEST_F(Data3D, ConditionNeverMet)
{
    Column("px", {1, 2, 3});
    auto p = Make("'px'", "'px'", "'px'", "'px'>10");
    EXPECT_EQ(p->PointCount(), 0);
    EXPECT_EQ(p->GetStatus(), MessageUndefinedOrInfiniteForRanges);
    double b[6] = {};
    EXPECT_FALSE(p->GetDataBounds(&b[0], &b[1], &b[2], &b[3], &b[4], &b[5]));
    p->SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(p->MeshCount(), 0);
}

// Labels are the plot's own copies; sizes are per row.
TEST_F(Data3D, LabelsAndSizes)
{
    Column("px", {1, 2});
    auto p = Make("'px'", "0", "0", nullptr, "\"A\"", "2*'px'");
    ASSERT_EQ(p->PointCount(), 2);
    ASSERT_NE(p->FirstLabels(), nullptr);
    for (int32_t i = 0; i < 2; ++i) {
        ASSERT_NE(p->FirstLabels()[i], nullptr);
        EXPECT_EQ(std::u16string(p->FirstLabels()[i]), u"A");
        EXPECT_EQ(p->Sizes()[i], 2.f * (i + 1));
    }
}

// More rows than one mesh can index are loaded into several meshes.
TEST_F(Data3D, LongTablesSpreadOverSeveralMeshes)
{
    std::vector<double> values(70000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<double>(i % 100) / 50 - 1;
    Column("px", values);
    auto p = Make("'px'", "'px'", "'px'");
    ASSERT_EQ(p->PointCount(), 70000);
    p->SetOption(OptionUploadMesh, 0);
    ASSERT_EQ(p->MeshCount(), 2);
    EXPECT_EQ(p->Meshes()[0].vertexCount, kMaxIndexedVertices);
    EXPECT_EQ(p->Meshes()[1].vertexCount, 70000u - kMaxIndexedVertices);
}

}  // namespace
