// Loading, checking and binding GPU programs on a recording GL table, and
// the two built-in program texts.
#include "rendering/GpuProgramObject.h"

#include "rendering/GLProbe.h"
#include "rendering/GpuProgramTexts.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Lines joined with CR, the built-in texts' line end.
std::string CrLines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r";
    return text;
}

std::string ConstantBlock(int group, const double (&values)[4])
{
    char line[80];
    std::string text = "PARAM C" + std::to_string(group) + " = {\r";
    for (int i = 0; i < 4; ++i) {
        std::snprintf(line, sizeof line, "    % 35.30f%s\r", values[i], i < 3 ? "," : "");
        text += line;
    }
    return text + "};\r\r";
}

TEST(BuiltInProgramTexts, VertexProgramIsExact)
{
    const std::string expected = CrLines({
        "!!ARBvp1.0", "", "PARAM c[23] = {", "    program.local[0],", "    state.matrix.modelview,",
        "    state.matrix.mvp,", "    state.matrix.modelview.invtrans,", "    state.material.specular,",
        "    state.light[0].specular,", "    state.light[0].position,", "    state.material.shininess,",
        "    state.material.diffuse,", "    state.light[0].diffuse,", "    state.material.ambient,",
        "    state.light[0].ambient,", "    state.lightmodel.ambient,", "    state.material.emission", "};", "",
        "TEMP R0;", "TEMP R1;", "TEMP R2;", "TEMP R3;", "TEMP R4;", "TEMP R5;", "TEMP R6;", "",
        "DP4 result.position.w, vertex.position, c[8];", "DP4 result.position.z, vertex.position, c[7];",
        "DP4 result.position.y, vertex.position, c[6];", "DP4 result.position.x, vertex.position, c[5];",
        "MOV R5.xyz, c[20];", "MOV R2.w, c[16].x;", "DP3 R0.w, c[15], c[15];", "DP4 R3.z, vertex.position, c[3];",
        "DP4 R3.y, vertex.position, c[2];", "DP4 R3.x, vertex.position, c[1];", "DP4 R0.z, vertex.normal, c[11];",
        "DP4 R0.y, vertex.normal, c[10];", "DP4 R0.x, vertex.normal, c[9];", "MOV R2.xyz, c[21];",
        "MOV R4.xyz, c[18];", "MOV R1.xyz, c[14];", "MUL R1.xyz, c[13], R1;", "MUL R4.xyz, c[17], R4;",
        "MUL R6.xyz, c[19], R2;", "DP3 R2.y, R0, R0;", "DP3 R1.w, -R3, -R3;", "RSQ R2.x, R0.w;", "RSQ R0.w, R2.y;",
        "RSQ R1.w, R1.w;", "MUL R2.xyz, R2.x, c[15];", "MUL R3.xyz, R1.w, -R3;", "ADD R3.xyz, R2, R3;",
        "MUL R0.xyz, R0.w, R0;", "DP3 R0.w, R3, R3;", "MUL R0.xyz, R0, c[0].x;", "RSQ R0.w, R0.w;",
        "DP3 R2.x, R0, R2;", "MUL R3.xyz, R0.w, R3;", "DP3 R2.y, R0, R3;", "ADD R0.xyz, R6, c[22];",
        "LIT R2.yz, R2;", "MAD R0.xyz, c[19], R5, R0;", "MAD R0.xyz, R4, R2.y, R0;", "MAD R0.xyz, R1, R2.z, R0;",
        "MOV result.texcoord[0], vertex.position;", "MOV result.texcoord[1], vertex.texcoord[0];", "",
        "MUL result.color.xyz, R0, vertex.color;", "MOV result.color.w, vertex.color;", "", "END",
    });
    EXPECT_EQ(ColorVertexProgramText(), expected);
}

TEST(BuiltInProgramTexts, HsvConversionProgramIsExact)
{
    std::string expected = "!!ARBfp1.0\r\r";
    expected += ConstantBlock(0, {360, 1, 0.002777777777777778, 6});
    expected += ConstantBlock(1, {0, 0.0001, 2, 3});
    expected += ConstantBlock(2, {4, 0, 0, 0});
    expected += CrLines({
        "TEMP TX;", "TEMP R0;", "TEMP R1;", "TEMP R2;", "",
        "TEX      TX, fragment.position, texture[0], RECT;", "MUL      TX.z, TX.z, fragment.color.primary.z;", "",
        "FRC      R0.x,  TX.x;", "MUL      R0.y,  R0.x,  C0.w;", "FLR      R0.x,  R0.y;",
        "ADD      R0.z,  R0.y, -R0.x;", "",
        "MAD      R0.y, -TX.z,  TX.y,  TX.z;", "MAD      R0.w, -TX.y,  R0.z,  C0.y;", "MUL      R1.x,  TX.z,  R0.w;",
        "ADD      R0.w,  C0.y, -R0.z;", "MAD      R0.z, -TX.y,  R0.w,  C0.y;", "MUL      R0.w,  TX.z,  R0.z;", "",
        "MOV      R0.z,  TX.z;", "MOV      R1.y,  R0.y;", "MOV      R1.z,  R1.x;", "",
        "ADD      R1.w,  R0.x, -C1.x;", "ABS      R2.x,  R1.w;", "ADD      R1.w,  R2.x, -C1.y;", "",
        "ADD      R2.x,  R0.x, -C0.y;", "ABS      R2.y,  R2.x;", "ADD      R2.x,  R2.y, -C1.y;", "",
        "ADD      R2.y,  R0.x, -C1.z;", "ABS      R2.z,  R2.y;", "ADD      R2.y,  R2.z, -C1.y;", "",
        "ADD      R2.z,  R0.x, -C1.w;", "ABS      R2.w,  R2.z;", "ADD      R2.z,  R2.w, -C1.y;", "",
        "ADD      R2.w,  R0.x, -C2.x;", "ABS      R0.x,  R2.w;", "ADD      R2.w,  R0.x, -C1.y;", "",
        "CMP      R0.x,  R1.w,  TX.z,  R0.z;", "CMP      R0.z,  R1.w,  R0.w,  R1.y;",
        "CMP      R1.y,  R1.w,  R0.y,  R1.z;", "CMP      R1.z,  R2.x,  R1.x,  R0.x;",
        "CMP      R0.x,  R2.x,  TX.z,  R0.z;", "CMP      R0.z,  R2.x,  R0.y,  R1.y;",
        "CMP      R1.y,  R2.y,  R0.y,  R1.z;", "CMP      R1.z,  R2.y,  TX.z,  R0.x;",
        "CMP      R0.x,  R2.y,  R0.w,  R0.z;", "CMP      R0.z,  R2.z,  R0.y,  R1.y;",
        "CMP      R1.y,  R2.z,  R1.x,  R1.z;", "CMP      R1.x,  R2.z,  TX.z,  R0.x;",
        "CMP      R0.x,  R2.w,  R0.w,  R0.z;", "CMP      R0.z,  R2.w,  R0.y,  R1.y;",
        "CMP      R0.y,  R2.w,  TX.z,  R1.x;", "",
        "MOV      result.color.x,  R0.x;", "MOV      result.color.y,  R0.z;", "MOV      result.color.z,  R0.y;",
        "MOV      result.color.w,  TX.w;", "", "END",
    });
    EXPECT_EQ(HSVToRGBProgramText(), expected);
}

class ProgramObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGpuProgramReleaser();
        gl.current = &context;
    }
    int context = 0;
    RecordingGL gl;
};

TEST_F(ProgramObjectTest, FirstBindLoadsLaterBindsOnlyBind)
{
    auto* program = new GpuProgram{"", "!!ARBfp1.0\nEND\n", GpuFragmentProgram};
    BindGpuProgram(gl, *program);
    EXPECT_TRUE(program->IsUsable());
    EXPECT_TRUE(gl.HasSequence({{"GenProgram", {}},
                                {"BindProgram", {GL_FRAGMENT_PROGRAM_ARB, 1}},
                                {"ProgramString", {GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, 15}},
                                {"BindProgram", {GL_FRAGMENT_PROGRAM_ARB, 1}}}));
    gl.Clear();
    BindGpuProgram(gl, *program);
    EXPECT_EQ(gl.Names(), std::vector<std::string>{"BindProgram"});
    gl.Clear();
    delete program;
    EXPECT_EQ(gl.Args("DeleteProgram"), std::vector<double>{1});
}

TEST_F(ProgramObjectTest, LoadErrorsMarkTheProgramFailedForGood)
{
    // A syntax error, behind an error an earlier call left queued.
    gl.pendingErrors = {GL_INVALID_ENUM};
    gl.programErrorPosition = 7;
    GpuProgram broken{"", "!!ARBfp1.0\nMOVE;\n", GpuVertexProgram};
    BindGpuProgram(gl, broken);
    EXPECT_FALSE(broken.IsUsable());
    gl.programErrorPosition = -1;
    BindGpuProgram(gl, broken);
    EXPECT_FALSE(broken.IsUsable()) << "a failed program stays failed";

    GpuProgram empty{"", "", GpuFragmentProgram};
    BindGpuProgram(gl, empty);
    EXPECT_FALSE(empty.IsUsable());

    gl.programUnderNativeLimits = 0;
    GpuProgram large{"", "!!ARBfp1.0\nEND\n", GpuFragmentProgram};
    BindGpuProgram(gl, large);
    EXPECT_FALSE(large.IsUsable()) << "beyond the native limits";
}

TEST_F(ProgramObjectTest, NamesAreDeletedOnlyInTheContextThatMadeThem)
{
    gl.Clear();
    { GpuProgram neverBound{"", "!!ARBfp1.0\nEND\n", GpuFragmentProgram}; }
    { GpuProgram noText{"", "", GpuFragmentProgram}; BindGpuProgram(gl, noText); }
    EXPECT_EQ(gl.Count("DeleteProgram"), 0);

    auto* program = new GpuProgram{"", "!!ARBfp1.0\nEND\n", GpuFragmentProgram};
    BindGpuProgram(gl, *program);
    int other = 0;
    gl.current = &other;
    delete program;
    EXPECT_EQ(gl.Count("DeleteProgram"), 0) << "another context's name is not touched";
}

}  // namespace
