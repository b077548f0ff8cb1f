#include "graphs3d/A3DVectorField.h"

#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class VectorField3D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        for (double x : {-1.0, 0.0, 0.5, 2.0})
            ASSERT_EQ(starts.Push(SpacePoint{x, 1, 0}), 0);
    }
    void TearDown() override
    {
        field.reset();
        starts.Clear();
    }

    CompiledFormula* F(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    A3DVectorField& Make(const char* f, const char* g, const char* h, int32_t kind = ColorSolid)
    {
        auto* colour = new AGraphColor(&context, &doc);
        colour->kind = kind;
        if (kind == ColorRgbFormulas) {
            colour->red = F("1");
            colour->green = F("0");
            colour->blue = F("x/4");
        }
        field = std::make_unique<A3DVectorField>(F(f), F(g), F(h), nullptr, colour, &length, &starts, &context);
        field->Start();
        EXPECT_TRUE(WaitUntil([&] { return field->IsComplete(); }));
        return *field;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    PointStore starts;
    double length = 0;
    std::unique_ptr<A3DVectorField> field;
};

// At the field's own length the arrow of (x, 0, 0) is as long as its x;
// with a length given, the longest arrow gets it and the others scale
// alike.
TEST_F(VectorField3D, ArrowsAtTheFieldsLengthOrScaledToTheLongest)
{
    for (double given : {0.0, 0.5}) {
        length = given;
        A3DVectorField& f = Make("x", "0", "0");
        const ArrowBatch* batch = f.BatchAt(f.BatchCount() - 1);
        ASSERT_EQ(batch->count, 4);
        EXPECT_EQ(batch->arrows.count, 4);
        EXPECT_EQ(f.MaxLength(), 2);
        const double scale = given == 0 ? 1 : given / 2;
        for (int32_t i = 0; i < batch->count; ++i) {
            const float* item = batch->items + 6 * i;
            EXPECT_FLOAT_EQ(item[0] - item[3], scale * item[3]);
            EXPECT_EQ(item[1], item[4]);
        }
        EXPECT_EQ(f.GetStatus(), MessageNone);
    }
}

// Points where the field is not finite get no arrow; with none anywhere the
// field says so.
TEST_F(VectorField3D, UndefinedFieldLeavesNoArrowsAndReportsIt)
{
    A3DVectorField& some = Make("1/x", "0", "0");
    EXPECT_EQ(some.BatchAt(some.BatchCount() - 1)->count, 3);
    EXPECT_EQ(some.GetStatus(), MessageNone);
    A3DVectorField& none = Make("sqrt(-1-x^2)", "0", "0");
    EXPECT_EQ(none.BatchAt(none.BatchCount() - 1)->count, 0);
    EXPECT_EQ(none.GetStatus(), MessageUndefinedOrInfiniteForRanges);
}

// A restart keeps the old arrows and the arrays they read until the next
// load; formula colours give each arrow its own.
TEST_F(VectorField3D, RestartKeepsOldArrowsUntilTheLoadAndColoursArePerArrow)
{
    A3DVectorField& f = Make("x", "1", "0", ColorRgbFormulas);
    const ArrowBatch* first = f.BatchAt(0);
    ASSERT_EQ(first->colors.count, 4);
    EXPECT_EQ(first->colors[3]->rgb.load(), 0xFF007Fu);
    f.SetOption(OptionVectorLength, 1);
    EXPECT_TRUE(f.NoHead());
    ASSERT_TRUE(WaitUntil([&] { return f.IsComplete(); }));
    EXPECT_EQ(f.BatchCount(), 2);
    EXPECT_EQ(f.BatchAt(0), first);
    f.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(f.BatchCount(), 1);
    EXPECT_EQ(f.BatchAt(0)->count, 4);
}

}  // namespace
