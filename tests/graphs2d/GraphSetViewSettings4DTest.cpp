// The 4D view takes a file's box, ranges, flags, zoom, rotation and spin,
// and gives them back when the document is written.
#include "graphs2d/GraphSetViewSettings.h"

#include "document/DocState.h"
#include "document/DocumentViewSettings.h"
#include "graphmodel/A4DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class ViewSettings4D : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.Graphs = &set;
        RegisterViewSettingsHooks();
    }
    void TearDown() override
    {
        GetDocumentViewHooks() = DocumentViewHooks{};
        ResetKeptViewSettings();
        doc.Graphs = nullptr;
    }

    FakeGraphServices services;
    DocState doc;
    GraphSet set{ShortRect{0, 0, 200, 300}, nullptr, &doc};
};

TEST_F(ViewSettings4D, AFilesFourDViewGoesToTheViewAndBack)
{
    DocumentViewSettings read;
    View4DSettings& s = read.view4D;
    s.box[0] = {-1, 3};
    s.box[3] = {5, 5};  // no room: the view keeps its own
    s.u = {0, 7};
    s.showXYPlane = 0;
    s.zoom = 3;
    // A quarter turn in xy.
    const double turn[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::copy(turn, turn + 16, s.rotation);
    s.spinSpeed[0] = 0.5;
    s.spinSpeed[1] = -0.25;
    s.spinAxis[0][0] = -1;
    s.spinAxis[1][2] = 1;
    ApplyViewSettings(&doc, &read);

    const A4DGraphView& v = *set.view4D;
    EXPECT_EQ(v.xMin, -1);
    EXPECT_EQ(v.xMax, 3);
    EXPECT_EQ(v.wMin, -2);
    EXPECT_EQ(v.uMax, 7);
    EXPECT_EQ(v.showGrid, 0);
    EXPECT_EQ(v.showAxes, 1);
    EXPECT_EQ(v.zoom, 3);
    EXPECT_EQ(v.rotation[0][1], 1);
    EXPECT_EQ(v.spinStep1, 0.5);
    EXPECT_EQ(v.spinStep2, -0.25);
    EXPECT_EQ(v.spinAxis2[2], 1);

    DocumentViewSettings written;
    GetViewSettings(&doc, &written);
    EXPECT_EQ(written.view4D.box[0].maximum, 3);
    EXPECT_EQ(written.view4D.u.maximum, 7);
    EXPECT_EQ(written.view4D.showXYPlane, 0);
    EXPECT_EQ(written.view4D.rotation[1], 1);
    EXPECT_EQ(written.view4D.spinSpeed[1], -0.25);
    EXPECT_EQ(written.view4D.spinAxis[0][0], -1);
}

TEST_F(ViewSettings4D, NothingOfTheFourDViewInTheFileLeavesTheViewAndBadValuesAreRefused)
{
    A4DGraphView& v = *set.view4D;
    const double before = v.rotation[0][0];
    DocumentViewSettings none;
    ApplyViewSettings(&doc, &none);
    EXPECT_EQ(v.rotation[0][0], before) << "the default view, not the record's identity";

    DocumentViewSettings bad;
    std::fill(bad.view4D.rotation, bad.view4D.rotation + 16, 2.0);
    bad.view4D.zoom = NAN;
    bad.view4D.spinSpeed[0] = 1;  // no axes: no spin
    ApplyViewSettings(&doc, &bad);
    EXPECT_EQ(v.rotation[0][0], before);
    EXPECT_EQ(v.zoom, 1.7330909743);
    EXPECT_FALSE(v.IsSpinning());
}

}  // namespace
