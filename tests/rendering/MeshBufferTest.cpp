#include "rendering/MeshBuffer.h"

#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr ShortRect kRect{10, 20, 110, 220};

// A unit square of two triangles, with colours.
const float kPositions[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
const float kNormals[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
const float kColors[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1};
const float kTexCoords[8] = {0, 0, 1, 0, 1, 1, 0, 1};
const int32_t kTriangles[6] = {0, 1, 2, 0, 2, 3};

class MeshBufferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFailureRegister();
        SetHardwareAcceleration(0);
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
        RecordingGL probe;
        ProbeOpenGL(probe);
        ctx.SetOwner(nullptr, &doc);
    }
    void TearDown() override
    {
        mesh.Clear();
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
        ResetFailureRegister();
    }
    void UseMode(int32_t mode)
    {
        ctx.SetRequestedMode(mode);
        ctx.Configure(kRect, &camera);
        ASSERT_EQ(ctx.GetMode(), mode);
    }
    void LoadSquare(const float* colors = kColors, const float* uv = nullptr)
    {
        mesh.SetTriangles(kPositions, kNormals, colors, uv, kTriangles, 4, 2, false, &ctx);
    }
    std::vector<float> Floats(const float* p, size_t n) { return std::vector<float>(p, p + n); }

    DocState doc;
    RecordingGL gl;
    ViewRenderContext ctx{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    MeshBuffer mesh;
};

TEST_F(MeshBufferTest, BufferNamesStartAfterTenThousandAndReleasedNamesComeBackFirst)
{
    // This program's first request of the process.
    const uint32_t first = MeshBuffer::NewBufferName();
    EXPECT_EQ(first, 10001u);
    const uint32_t second = MeshBuffer::NewBufferName();
    EXPECT_EQ(second, 10002u);
    MeshBuffer::ReleaseBufferName(first);
    MeshBuffer::ReleaseBufferName(second);
    EXPECT_EQ(MeshBuffer::NewBufferName(), second) << "the last released goes out first";
    EXPECT_EQ(MeshBuffer::NewBufferName(), first);
    EXPECT_EQ(MeshBuffer::NewBufferName(), 10003u) << "the counter moves only once the list is empty";

    // A mesh cleared gives both its names back; the next load takes them.
    UseMode(RenderModeGLWindow);
    LoadSquare();
    ASSERT_EQ(mesh.state, MeshBufferObjects);
    const uint32_t names[2] = {mesh.vertexBufferName, mesh.elementBufferName};
    mesh.Clear();
    EXPECT_EQ(mesh.vertexBufferName, 0u);
    EXPECT_TRUE(gl.HasSequence({{"BindBuffer", {GL_ARRAY_BUFFER, double(names[0])}},
                                {"BufferData", {GL_ARRAY_BUFFER, 0}}}))
        << "a released buffer is emptied, not deleted";
    LoadSquare();
    EXPECT_EQ(mesh.vertexBufferName, names[1]);
    EXPECT_EQ(mesh.elementBufferName, names[0]);
}

TEST_F(MeshBufferTest, TrianglesInBufferObjectsAreDrawnWithTheirColoursFromOffsets)
{
    UseMode(RenderModeGLWindow);
    LoadSquare();
    ASSERT_EQ(mesh.state, MeshBufferObjects);
    const std::vector<uint8_t>& store = gl.buffers[mesh.vertexBufferName];
    ASSERT_EQ(store.size(), 4u * 36) << "positions, normals and colours of four vertices";
    EXPECT_EQ(Floats(reinterpret_cast<const float*>(store.data()) + 24, 12), Floats(kColors, 12));
    gl.Clear();
    mesh.Draw();
    EXPECT_TRUE(gl.HasSequence({{"BindBuffer", {GL_ELEMENT_ARRAY_BUFFER, double(mesh.elementBufferName)}},
                                {"BindBuffer", {GL_ARRAY_BUFFER, double(mesh.vertexBufferName)}},
                                {"VertexPointer", {3, GL_FLOAT, 12}},
                                {"EnableClientState", {GL_NORMAL_ARRAY}},
                                {"NormalPointer", {GL_FLOAT, 12}},
                                {"EnableClientState", {GL_COLOR_ARRAY}},
                                {"DrawElements", {GL_TRIANGLES, 6, GL_UNSIGNED_INT}},
                                {"BindBuffer", {GL_ARRAY_BUFFER, 0}},
                                {"DisableClientState", {GL_COLOR_ARRAY}},
                                {"DisableClientState", {GL_NORMAL_ARRAY}}}));
    EXPECT_EQ(gl.lastIndices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
}

TEST_F(MeshBufferTest, LinesAndPointsAreFoggedAndLinesWithColoursAreNot)
{
    UseMode(RenderModeGLWindow);
    const uint16_t pairs[4] = {0, 1, 2, 3};
    struct Case {
        const float* colors;
        bool fogged;
    };
    for (const Case& c : {Case{nullptr, true}, Case{kColors, false}}) {
        mesh.SetLines(kPositions, pairs, c.colors, 4, 2, &ctx);
        gl.Clear();
        mesh.Draw();
        EXPECT_EQ(gl.Count("Fogf") > 0, c.fogged);
        EXPECT_TRUE(gl.HasSequence({{"DrawElements", {GL_LINES, 4, GL_UNSIGNED_SHORT}}}));
        EXPECT_EQ(gl.lastIndices, (std::vector<uint32_t>{0, 1, 2, 3}));
    }
    mesh.SetPoints(kPositions, kColors, nullptr, nullptr, nullptr, 4, &ctx);
    gl.Clear();
    mesh.Draw();
    EXPECT_TRUE(gl.HasSequence({{"Enable", {GL_FOG}},
                                {"Fogfv", {GL_FOG_COLOR, 0.5, 0.5, 0.5, 1}},
                                {"Fogi", {GL_FOG_MODE, GL_LINEAR}},
                                {"Fogf", {GL_FOG_START, 48}},
                                {"Fogf", {GL_FOG_END, 52}},
                                {"DrawElements", {GL_POINTS, 4, GL_UNSIGNED_SHORT}},
                                {"Disable", {GL_FOG}}}));
    EXPECT_EQ(gl.lastIndices, (std::vector<uint32_t>{0, 1, 2, 3}));
}

TEST_F(MeshBufferTest, ClientArraysInSoftwareModeKeepLabelsAndDrawNothingThroughGL)
{
    UseMode(RenderModeSoftware);
    const char16_t* labels[4] = {u"a", nullptr, u"c", u"d"};
    const float sizes[4] = {1, 2, 3, 4};
    mesh.SetPoints(kPositions, nullptr, labels, nullptr, sizes, 4, &ctx);
    ASSERT_EQ(mesh.state, MeshClientArrays);
    ASSERT_NE(mesh.pointLabels, nullptr);
    EXPECT_EQ(mesh.pointLabels[2], labels[2]);
    EXPECT_EQ(mesh.pointIndices[3], 3);
    gl.Clear();
    mesh.Draw();
    EXPECT_EQ(gl.Count("DrawElements"), 0);

    // Loaded into buffer objects the labels are not kept.
    UseMode(RenderModeGLWindow);
    mesh.SetPoints(kPositions, nullptr, labels, nullptr, sizes, 4, &ctx);
    EXPECT_EQ(mesh.state, MeshBufferObjects);
    EXPECT_EQ(mesh.pointLabels, nullptr);

    // Too many vertices for 16-bit indices: nothing is kept.
    std::vector<float> many(3 * (kMaxIndexedVertices + 1), 0.0f);
    mesh.SetPoints(many.data(), nullptr, nullptr, nullptr, nullptr, kMaxIndexedVertices + 1, &ctx);
    EXPECT_EQ(mesh.state, MeshEmpty);
}

TEST_F(MeshBufferTest, AContextChangeReloadsTheBuffers)
{
    UseMode(RenderModeGLWindow);
    LoadSquare();
    ASSERT_EQ(mesh.state, MeshBufferObjects);
    GLWindow* firstWindow = mesh.bufferWindow;

    // Rebuilt in OpenGL: the next draw moves the data into the new window.
    ctx.Release();
    UseMode(RenderModeGLWindow);
    ASSERT_NE(ctx.GetVBOWindow(), firstWindow);
    mesh.Draw();
    ASSERT_EQ(mesh.state, MeshBufferObjects);
    EXPECT_EQ(mesh.bufferWindow, ctx.GetVBOWindow());
    const std::vector<uint8_t>& store = gl.buffers[mesh.vertexBufferName];
    ASSERT_EQ(store.size(), 4u * 36);
    EXPECT_EQ(Floats(reinterpret_cast<const float*>(store.data()), 12), Floats(kPositions, 12));
    EXPECT_EQ(Floats(reinterpret_cast<const float*>(store.data()) + 24, 12), Floats(kColors, 12));

    // Over to software: read back from the parked window and kept in client
    // memory.
    UseMode(RenderModeSoftware);
    mesh.Draw();
    ASSERT_EQ(mesh.state, MeshClientArrays);
    EXPECT_EQ(Floats(mesh.positions, 12), Floats(kPositions, 12));
    EXPECT_EQ(Floats(mesh.normals, 12), Floats(kNormals, 12));
    EXPECT_EQ(Floats(mesh.colors, 12), Floats(kColors, 12));
    EXPECT_EQ(std::vector<int32_t>(mesh.triangles, mesh.triangles + 6), std::vector<int32_t>(kTriangles, kTriangles + 6));

    // A window destroyed before its meshes were drawn again hands them back.
    UseMode(RenderModeGLWindow);
    mesh.Draw();
    ASSERT_EQ(mesh.state, MeshBufferObjects);
    ctx.Release();
    DestroyAllGLWindows();
    EXPECT_EQ(mesh.state, MeshClientArrays);
    EXPECT_EQ(mesh.bufferWindow, nullptr);
    EXPECT_EQ(Floats(mesh.colors, 12), Floats(kColors, 12));
}

TEST_F(MeshBufferTest, SlabsAreJoinedWithTheirIndicesOffset)
{
    MeshVertexArray vertices[3] = {};
    MeshTriangleArray triangles[3] = {};
    const int32_t counts[3] = {10, 20, 5};
    for (int s = 0; s < 3; ++s) {
        for (int i = 0; i < counts[s]; ++i)
            vertices[s].Push(MeshVertex{{float(s), float(i), 0}, {0, 0, 1}});
        triangles[s].Push(MeshTriangle{{0, 1, 2}});
    }
    for (int32_t mode : {RenderModeSoftware, RenderModeGLWindow}) {
        UseMode(mode);
        mesh.SetTrianglesFromChunks(3, vertices, triangles, nullptr, false, &ctx);
        EXPECT_EQ(mesh.vertexCount, 35u);
        if (mode == RenderModeGLWindow) {
            ASSERT_EQ(mesh.state, MeshBufferObjects);
            EXPECT_TRUE(mesh.interleaved);
            gl.Clear();
            mesh.Draw();
            EXPECT_TRUE(gl.HasSequence({{"VertexPointer", {3, GL_FLOAT, 24}}, {"NormalPointer", {GL_FLOAT, 24}}}));
            EXPECT_EQ(gl.lastIndices, (std::vector<uint32_t>{0, 1, 2, 10, 11, 12, 30, 31, 32}));
            // Read back through the split of the interleaved store.
            UseMode(RenderModeSoftware);
            mesh.Sync();
        }
        ASSERT_EQ(mesh.state, MeshClientArrays);
        EXPECT_EQ(mesh.triangles[6], 30);
        EXPECT_EQ(mesh.positions[3 * 34], 2.0f);
        EXPECT_EQ(mesh.positions[3 * 34 + 1], 4.0f);
        EXPECT_EQ(mesh.normals[3 * 34 + 2], 1.0f);
    }
    for (int s = 0; s < 3; ++s) {
        vertices[s].Clear();
        triangles[s].Clear();
    }
}

TEST_F(MeshBufferTest, ColoursAndTextureCoordinatesExcludeEachOtherAndNeverOverrun)
{
    for (int32_t mode : {RenderModeSoftware, RenderModeGLWindow}) {
        UseMode(mode);
        // Texture coordinates, then colours; and the reverse.
        LoadSquare(nullptr, kTexCoords);
        mesh.SetColors(kColors);
        mesh.Sync();
        if (mesh.state == MeshClientArrays) {
            EXPECT_EQ(mesh.texCoords, nullptr);
            EXPECT_EQ(Floats(mesh.colors, 12), Floats(kColors, 12));
        } else {
            EXPECT_TRUE(mesh.bufferHasColors && !mesh.bufferHasTexCoords);
            EXPECT_EQ(gl.buffers[mesh.vertexBufferName].size(), 4u * 36) << "reloaded with room for colours";
        }
        mesh.SetTexCoords(kTexCoords);
        if (mesh.state == MeshClientArrays)
            EXPECT_EQ(mesh.colors, nullptr);
        else
            EXPECT_TRUE(mesh.bufferHasTexCoords && !mesh.bufferHasColors);
        // A mesh loaded with neither takes colours without writing past its
        // store.
        LoadSquare(nullptr, nullptr);
        mesh.SetColors(kColors);
        mesh.Draw();
        ASSERT_NE(mesh.state, MeshEmpty);
        if (mesh.state == MeshBufferObjects) {
            EXPECT_EQ(Floats(reinterpret_cast<const float*>(gl.buffers[mesh.vertexBufferName].data()) + 24, 12),
                      Floats(kColors, 12));
        }
    }
}

}  // namespace
