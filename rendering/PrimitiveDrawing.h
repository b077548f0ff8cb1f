// The software half of drawing a mesh's primitives: vertices projected
// into ScreenVertex records, triangles lit by the fixed light (the same as
// OpenGL's light 0), lines grey-cued by their distance, points and labels,
// each handed to the software rasterizer. The render context's DrawTriangles,
// DrawLines and DrawPoints call these in software mode with the arrays set
// on the context (SetVertexArray, SetNormalArray, SetColorArray,
// SetTexCoordArray, SetOpacity and the current colour). Each returns false
// when the draw ended early (memory refused; the failure is posted).
// User-interface thread only.
#pragma once

#include "rendering/ScreenVertex.h"

#include <cstdint>

class ViewRenderContext;
struct Camera3D;
struct SoftwareTexture;

// Null, with failure 36 posted, when memory is refused.
ScreenVertex* AllocScreenVertices(int32_t count);
void FreeScreenVertices(ScreenVertex* vertices);


// The light falling on a corner with this normal (box units) under the
// camera: 0.2 ambient, 0.6 diffuse, 0.2 specular; the normal turned round
// on a back face. 0.2 for a zero or non-finite normal.
float CornerIntensity(const Camera3D& camera, float nx, float ny, float nz, bool front);

// Indexed triangles (three vertex indices each). With the texture (colour
// source 2) the corners carry (u, 1 - v) and a grey of the light. A
// triangle crossing the near plane is cut there; lines and points with an
// end in front of it are skipped.
bool DrawSoftwareTriangles(ViewRenderContext& ctx, const int32_t* triangles, int32_t count,
                           const SoftwareTexture* texture);
// Line pairs (two vertex indices each).
bool DrawSoftwareLines(ViewRenderContext& ctx, const uint16_t* pairs, int32_t count);
// Points (indices, or draw position i for vertex i when null), each with an
// optional label and second label, and a size for its labels (9 without).
bool DrawSoftwarePoints(ViewRenderContext& ctx, const uint16_t* indices, const char16_t* const* labels,
                        const char16_t* const* secondLabels, const float* sizes, int32_t count);
