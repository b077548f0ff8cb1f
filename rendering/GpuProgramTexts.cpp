#include "rendering/GpuProgramTexts.h"

#include "rendering/FragmentProgramBuilder.h"

#include <string>

namespace {

const char* const kBindings[] = {
    "program.local[0]",      "state.matrix.modelview",  "state.matrix.mvp",          "state.matrix.modelview.invtrans",
    "state.material.specular", "state.light[0].specular", "state.light[0].position", "state.material.shininess",
    "state.material.diffuse",  "state.light[0].diffuse",  "state.material.ambient",  "state.light[0].ambient",
    "state.lightmodel.ambient", "state.material.emission",
};

const char* const kVertexInstructions[] = {
    "DP4 result.position.w, vertex.position, c[8]",
    "DP4 result.position.z, vertex.position, c[7]",
    "DP4 result.position.y, vertex.position, c[6]",
    "DP4 result.position.x, vertex.position, c[5]",
    "MOV R5.xyz, c[20]",
    "MOV R2.w, c[16].x",
    "DP3 R0.w, c[15], c[15]",
    "DP4 R3.z, vertex.position, c[3]",
    "DP4 R3.y, vertex.position, c[2]",
    "DP4 R3.x, vertex.position, c[1]",
    "DP4 R0.z, vertex.normal, c[11]",
    "DP4 R0.y, vertex.normal, c[10]",
    "DP4 R0.x, vertex.normal, c[9]",
    "MOV R2.xyz, c[21]",
    "MOV R4.xyz, c[18]",
    "MOV R1.xyz, c[14]",
    "MUL R1.xyz, c[13], R1",
    "MUL R4.xyz, c[17], R4",
    "MUL R6.xyz, c[19], R2",
    "DP3 R2.y, R0, R0",
    "DP3 R1.w, -R3, -R3",
    "RSQ R2.x, R0.w",
    "RSQ R0.w, R2.y",
    "RSQ R1.w, R1.w",
    "MUL R2.xyz, R2.x, c[15]",
    "MUL R3.xyz, R1.w, -R3",
    "ADD R3.xyz, R2, R3",
    "MUL R0.xyz, R0.w, R0",
    "DP3 R0.w, R3, R3",
    "MUL R0.xyz, R0, c[0].x",
    "RSQ R0.w, R0.w",
    "DP3 R2.x, R0, R2",
    "MUL R3.xyz, R0.w, R3",
    "DP3 R2.y, R0, R3",
    "ADD R0.xyz, R6, c[22]",
    "LIT R2.yz, R2",
    "MAD R0.xyz, c[19], R5, R0",
    "MAD R0.xyz, R4, R2.y, R0",
    "MAD R0.xyz, R1, R2.z, R0",
    "MOV result.texcoord[0], vertex.position",
    "MOV result.texcoord[1], vertex.texcoord[0]",
    // Written after an empty line.
    "MUL result.color.xyz, R0, vertex.color",
    "MOV result.color.w, vertex.color",
};

std::string MakeVertexText()
{
    std::string text = "!!ARBvp1.0\r\rPARAM c[23] = {\r";
    const size_t bindings = sizeof kBindings / sizeof *kBindings;
    for (size_t i = 0; i < bindings; ++i)
        text += std::string("    ") + kBindings[i] + (i + 1 < bindings ? "," : "") + "\r";
    text += "};\r\r";
    for (int r = 0; r < 7; ++r)
        text += "TEMP R" + std::to_string(r) + ";\r";
    text += "\r";
    const size_t count = sizeof kVertexInstructions / sizeof *kVertexInstructions;
    for (size_t i = 0; i < count; ++i) {
        if (i == count - 2)
            text += "\r";
        text += std::string(kVertexInstructions[i]) + ";\r";
    }
    text += "\rEND\r";
    return text;
}

// Instruction groups of the HSV conversion, operands as the program builder
// writes them (a sign or a space before each).
const char* const kHsvGroups[] = {
    "FRC      R0.x,  TX.x;\r"
    "MUL      R0.y,  R0.x,  C0.w;\r"
    "FLR      R0.x,  R0.y;\r"
    "ADD      R0.z,  R0.y, -R0.x;\r",

    "MAD      R0.y, -TX.z,  TX.y,  TX.z;\r"
    "MAD      R0.w, -TX.y,  R0.z,  C0.y;\r"
    "MUL      R1.x,  TX.z,  R0.w;\r"
    "ADD      R0.w,  C0.y, -R0.z;\r"
    "MAD      R0.z, -TX.y,  R0.w,  C0.y;\r"
    "MUL      R0.w,  TX.z,  R0.z;\r",

    "MOV      R0.z,  TX.z;\r"
    "MOV      R1.y,  R0.y;\r"
    "MOV      R1.z,  R1.x;\r",

    "ADD      R1.w,  R0.x, -C1.x;\r"
    "ABS      R2.x,  R1.w;\r"
    "ADD      R1.w,  R2.x, -C1.y;\r",

    "ADD      R2.x,  R0.x, -C0.y;\r"
    "ABS      R2.y,  R2.x;\r"
    "ADD      R2.x,  R2.y, -C1.y;\r",

    "ADD      R2.y,  R0.x, -C1.z;\r"
    "ABS      R2.z,  R2.y;\r"
    "ADD      R2.y,  R2.z, -C1.y;\r",

    "ADD      R2.z,  R0.x, -C1.w;\r"
    "ABS      R2.w,  R2.z;\r"
    "ADD      R2.z,  R2.w, -C1.y;\r",

    "ADD      R2.w,  R0.x, -C2.x;\r"
    "ABS      R0.x,  R2.w;\r"
    "ADD      R2.w,  R0.x, -C1.y;\r",

    "CMP      R0.x,  R1.w,  TX.z,  R0.z;\r"
    "CMP      R0.z,  R1.w,  R0.w,  R1.y;\r"
    "CMP      R1.y,  R1.w,  R0.y,  R1.z;\r"
    "CMP      R1.z,  R2.x,  R1.x,  R0.x;\r"
    "CMP      R0.x,  R2.x,  TX.z,  R0.z;\r"
    "CMP      R0.z,  R2.x,  R0.y,  R1.y;\r"
    "CMP      R1.y,  R2.y,  R0.y,  R1.z;\r"
    "CMP      R1.z,  R2.y,  TX.z,  R0.x;\r"
    "CMP      R0.x,  R2.y,  R0.w,  R0.z;\r"
    "CMP      R0.z,  R2.z,  R0.y,  R1.y;\r"
    "CMP      R1.y,  R2.z,  R1.x,  R1.z;\r"
    "CMP      R1.x,  R2.z,  TX.z,  R0.x;\r"
    "CMP      R0.x,  R2.w,  R0.w,  R0.z;\r"
    "CMP      R0.z,  R2.w,  R0.y,  R1.y;\r"
    "CMP      R0.y,  R2.w,  TX.z,  R1.x;\r",

    "MOV      result.color.x,  R0.x;\r"
    "MOV      result.color.y,  R0.z;\r"
    "MOV      result.color.z,  R0.y;\r"
    "MOV      result.color.w,  TX.w;\r",
};

std::string MakeHsvText()
{
    std::string text = "!!ARBfp1.0\r\r";
    const double constants[3][4] = {{360, 1, 0.002777777777777778, 6}, {0, 0.0001, 2, 3}, {4, 0, 0, 0}};
    for (int group = 0; group < 3; ++group) {
        std::string block;
        AppendConstantGroups(block, constants[group], 4, "\r");
        // Each block names its own register.
        block[7] = static_cast<char>('0' + group);
        text += block + "\r";
    }
    text += "TEMP TX;\rTEMP R0;\rTEMP R1;\rTEMP R2;\r\r";
    text += "TEX      TX, fragment.position, texture[0], RECT;\r"
            "MUL      TX.z, TX.z, fragment.color.primary.z;\r\r";
    for (const char* group : kHsvGroups)
        text += std::string(group) + "\r";
    text += "END\r";
    return text;
}

}  // namespace

const char* ColorVertexProgramText()
{
    static const std::string text = MakeVertexText();
    return text.c_str();
}

const char* HSVToRGBProgramText()
{
    static const std::string text = MakeHsvText();
    return text.c_str();
}
