#include "rendering/MeshBuffer.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#ifndef GL_ARRAY_BUFFER
#define GL_ARRAY_BUFFER 0x8892
#define GL_ELEMENT_ARRAY_BUFFER 0x8893
#define GL_STATIC_DRAW 0x88E4
#define GL_READ_ONLY 0x88B8
#define GL_WRITE_ONLY 0x88B9
#endif

namespace {

uint32_t NameCounter = 10000;
GrowArray4<uint32_t> FreeNames;
// Meshes in buffer objects, so that a rendering context about to go can
// hand their data back first.
std::vector<MeshBuffer*> BufferMeshes;

constexpr intptr_t kTriple = 3 * sizeof(float);
constexpr intptr_t kPair = 2 * sizeof(float);

// Budget memory for count elements; null, with failure 36 posted, when
// refused or too large to ask for.
template <typename T>
T* AllocArray(uint64_t count)
{
    const uint64_t bytes = std::max<uint64_t>(count * sizeof(T), sizeof(T));
    void* block = bytes <= std::numeric_limits<uint32_t>::max() && count <= bytes / sizeof(T)
                      ? BudgetMalloc(static_cast<uint32_t>(bytes), false)
                      : nullptr;
    if (!block)
        PostFailure(FailureOutOfMemory);
    return static_cast<T*>(block);
}

template <typename T>
void FreeArray(T*& p)
{
    BudgetFree(p);
    p = nullptr;
}

template <typename T>
bool CopyArray(T*& to, const T* from, uint64_t count)
{
    FreeArray(to);
    if (!from)
        return true;
    to = AllocArray<T>(count);
    if (to)
        std::memcpy(to, from, count * sizeof(T));
    return to != nullptr;
}

void FillPointIndices(uint16_t* indices, uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i)
        indices[i] = static_cast<uint16_t>(i);
}

void RemoveBufferMesh(MeshBuffer* mesh)
{
    BufferMeshes.erase(std::remove(BufferMeshes.begin(), BufferMeshes.end(), mesh), BufferMeshes.end());
}

}  // namespace

bool WriteBufferRange(GLFunctions& gl, uint32_t target, intptr_t offset, intptr_t size, const void* data)
{
    if (size <= 0)
        return true;
    auto* mapped = static_cast<uint8_t*>(gl.MapBuffer(target, GL_WRITE_ONLY));
    if (!mapped) {
        gl.BufferSubData(target, offset, size, data);
        return true;
    }
    std::memcpy(mapped + offset, data, static_cast<size_t>(size));
    return gl.UnmapBuffer(target);
}

void UnbindBuffers(GLFunctions& gl)
{
    gl.BindBuffer(GL_ARRAY_BUFFER, 0);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

uint32_t MeshBuffer::NewBufferName()
{
    if (FreeNames.count > 0) {
        const uint32_t name = FreeNames.PopLast();
        if (FreeNames.count == 0)
            FreeNames.Clear();
        return name;
    }
    return ++NameCounter;
}

void MeshBuffer::ReleaseBufferName(uint32_t name)
{
    // A name the list cannot take is lost, never handed out twice.
    if (name != 0)
        FreeNames.Push(name);
}

void MeshBuffer::EvacuateWindow(GLWindow* window)
{
    // Moving a mesh takes it off the list.
    for (size_t i = BufferMeshes.size(); i-- > 0;) {
        if (i < BufferMeshes.size() && BufferMeshes[i]->bufferWindow == window)
            BufferMeshes[i]->MoveToClientArrays();
    }
}

MeshBuffer::~MeshBuffer()
{
    Clear();
}

GLFunctions* MeshBuffer::BufferGL() const
{
    return bufferWindow ? bufferWindow->gl : nullptr;
}

intptr_t MeshBuffer::TailOffset() const
{
    return static_cast<intptr_t>(vertexCount) * kTriple * (triangleMesh ? 2 : 1);
}

bool MeshBuffer::ChooseBufferObjects(bool usesGPUColorProgram) const
{
    if (!context || !context->UsesVBOs() || !context->GetVBOWindow())
        return false;
    return !(usesGPUColorProgram && context->IsNVIDIARenderer());
}

void MeshBuffer::BecomeBufferObjects()
{
    state = MeshBufferObjects;
    BufferMeshes.push_back(this);
}

void MeshBuffer::Clear()
{
    if (state == MeshClientArrays)
        FreeClientArrays();
    else if (state == MeshBufferObjects)
        DeleteVBOs();
    state = MeshEmpty;
    triangleCount = lineCount = 0;
    vertexCount = 0;
    triangleMesh = interleaved = 0;
}

void MeshBuffer::CreateVertexVBO(const float* pos, const float* nrm, const float* rgb, const float* uv)
{
    bufferWindow = context->GetVBOWindow();
    bufferWindow->MakeCurrent();
    GLFunctions& gl = *bufferWindow->gl;
    const intptr_t n = vertexCount;
    const intptr_t normalBytes = nrm ? n * kTriple : 0;
    reservedTail = rgb ? kTriple : uv ? kPair : 0;
    vertexBufferName = NewBufferName();
    gl.BindBuffer(GL_ARRAY_BUFFER, vertexBufferName);
    gl.BufferData(GL_ARRAY_BUFFER, n * kTriple + normalBytes + n * reservedTail, nullptr, GL_STATIC_DRAW);
    WriteBufferRange(gl, GL_ARRAY_BUFFER, 0, n * kTriple, pos);
    if (nrm)
        WriteBufferRange(gl, GL_ARRAY_BUFFER, n * kTriple, normalBytes, nrm);
    if (rgb) {
        WriteBufferRange(gl, GL_ARRAY_BUFFER, n * kTriple + normalBytes, n * kTriple, rgb);
        bufferHasColors = 1;
    } else if (uv) {
        WriteBufferRange(gl, GL_ARRAY_BUFFER, n * kTriple + normalBytes, n * kPair, uv);
        bufferHasTexCoords = 1;
    }
    interleaved = 0;
}

void MeshBuffer::CreateElementVBO(const void* indices, intptr_t bytes)
{
    GLFunctions& gl = *bufferWindow->gl;
    elementBufferName = NewBufferName();
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBufferName);
    gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, bytes, indices, GL_STATIC_DRAW);
    UnbindBuffers(gl);
}

void MeshBuffer::CreateTriangleVBO(const float* pos, const float* nrm, const float* rgb, const float* uv,
                                   const int32_t* tris)
{
    CreateVertexVBO(pos, nrm, rgb, uv);
    CreateElementVBO(tris, static_cast<intptr_t>(triangleCount) * 3 * sizeof(int32_t));
}

void MeshBuffer::CreateLineVBO(const float* pos, const float* rgb, const uint16_t* pairs)
{
    CreateVertexVBO(pos, nullptr, rgb, nullptr);
    CreateElementVBO(pairs, static_cast<intptr_t>(lineCount) * 2 * sizeof(uint16_t));
}

void MeshBuffer::CreatePointVBO(const float* pos, const float* rgb)
{
    CreateVertexVBO(pos, nullptr, rgb, nullptr);
    std::vector<uint16_t> indices(vertexCount);
    FillPointIndices(indices.data(), vertexCount);
    CreateElementVBO(indices.data(), static_cast<intptr_t>(vertexCount) * sizeof(uint16_t));
}

void MeshBuffer::DeleteVBOs()
{
    RemoveBufferMesh(this);
    GLFunctions* gl = BufferGL();
    const bool current = bufferWindow && bufferWindow->MakeCurrent();
    const uint32_t targets[2] = {GL_ARRAY_BUFFER, GL_ELEMENT_ARRAY_BUFFER};
    uint32_t* names[2] = {&vertexBufferName, &elementBufferName};
    for (int i = 0; i < 2; ++i) {
        if (*names[i] == 0)
            continue;
        // Without its rendering context the buffer is gone already; its
        // name may still go round again.
        if (current) {
            gl->BindBuffer(targets[i], *names[i]);
            gl->BufferData(targets[i], 0, nullptr, GL_STATIC_DRAW);
            gl->BindBuffer(targets[i], 0);
        }
        ReleaseBufferName(*names[i]);
        *names[i] = 0;
    }
    bufferHasColors = bufferHasTexCoords = 0;
    reservedTail = 0;
    bufferWindow = nullptr;
}

bool MeshBuffer::AllocClientArrays()
{
    bool ok = (positions = AllocArray<float>(3ull * vertexCount)) != nullptr;
    if (ok && triangleMesh) {
        ok = (normals = AllocArray<float>(3ull * vertexCount)) != nullptr &&
             (triangles = AllocArray<int32_t>(3ull * static_cast<uint32_t>(triangleCount))) != nullptr;
    } else if (ok && lineCount != 0) {
        ok = (lines = AllocArray<uint16_t>(2ull * static_cast<uint32_t>(lineCount))) != nullptr;
    } else if (ok) {
        ok = (pointIndices = AllocArray<uint16_t>(vertexCount)) != nullptr;
    }
    if (!ok)
        FreeClientArrays();
    return ok;
}

void MeshBuffer::FreeClientArrays()
{
    FreeArray(positions);
    FreeArray(normals);
    FreeArray(colors);
    FreeArray(pointLabels);
    FreeArray(secondPointLabels);
    FreeArray(pointSizes);
    FreeArray(triangles);
    FreeArray(lines);
    FreeArray(texCoords);
    FreeArray(pointIndices);
}

void MeshBuffer::SetTriangles(const float* pos, const float* nrm, const float* rgb, const float* uv,
                              const int32_t* tris, uint32_t n, int32_t count, bool usesGPUColorProgram,
                              ViewRenderContext* ctx)
{
    Clear();
    context = ctx;
    if (!pos || !nrm || (count > 0 && !tris) || count < 0)
        return;
    vertexCount = n;
    triangleCount = count;
    triangleMesh = 1;
    if (ChooseBufferObjects(usesGPUColorProgram)) {
        CreateTriangleVBO(pos, nrm, rgb, uv, tris);
        BecomeBufferObjects();
        return;
    }
    if (!AllocClientArrays()) {
        Clear();
        return;
    }
    std::memcpy(positions, pos, 3ull * n * sizeof(float));
    std::memcpy(normals, nrm, 3ull * n * sizeof(float));
    if (count > 0)
        std::memcpy(triangles, tris, 3ull * static_cast<uint32_t>(count) * sizeof(int32_t));
    state = MeshClientArrays;
    if (rgb)
        SetColors(rgb);
    if (uv)
        SetTexCoords(uv);
}

void MeshBuffer::SetTrianglesFromChunks(int32_t slabCount, const MeshVertexArray* vertices,
                                        const MeshTriangleArray* slabTriangles, const float* rgb,
                                        bool usesGPUColorProgram, ViewRenderContext* ctx)
{
    Clear();
    context = ctx;
    uint64_t n = 0, t = 0;
    for (int32_t s = 0; s < slabCount; ++s) {
        n += static_cast<uint32_t>(vertices[s].count);
        t += static_cast<uint32_t>(slabTriangles[s].count);
    }
    if (n > std::numeric_limits<uint32_t>::max() / 8 || t > std::numeric_limits<int32_t>::max() / 12) {
        PostFailure(FailureOutOfMemory);
        return;
    }
    vertexCount = static_cast<uint32_t>(n);
    triangleCount = static_cast<int32_t>(t);
    triangleMesh = 1;
    if (ChooseBufferObjects(usesGPUColorProgram)) {
        if (n == 0) {
            Clear();
            return;
        }
        bufferWindow = context->GetVBOWindow();
        bufferWindow->MakeCurrent();
        GLFunctions& gl = *bufferWindow->gl;
        const intptr_t vertexBytes = static_cast<intptr_t>(n) * sizeof(MeshVertex);
        reservedTail = rgb ? kTriple : 0;
        vertexBufferName = NewBufferName();
        gl.BindBuffer(GL_ARRAY_BUFFER, vertexBufferName);
        gl.BufferData(GL_ARRAY_BUFFER, vertexBytes + static_cast<intptr_t>(n) * reservedTail, nullptr,
                      GL_STATIC_DRAW);
        elementBufferName = NewBufferName();
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBufferName);
        gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<intptr_t>(t) * sizeof(MeshTriangle), nullptr,
                      GL_STATIC_DRAW);
        interleaved = 1;
        BecomeBufferObjects();
        // Straight from the slabs into the mapped stores; where mapping
        // fails the slabs go through one slab-sized copy each.
        bool kept = true;
        auto* mapped = static_cast<MeshVertex*>(gl.MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
        intptr_t at = 0;
        for (int32_t s = 0; s < slabCount; ++s) {
            for (int32_t i = 0; i < vertices[s].count; ++i, ++at) {
                if (mapped)
                    mapped[at] = *vertices[s].At(i);
                else
                    gl.BufferSubData(GL_ARRAY_BUFFER, at * sizeof(MeshVertex), sizeof(MeshVertex),
                                     vertices[s].At(i));
            }
        }
        kept = !mapped || gl.UnmapBuffer(GL_ARRAY_BUFFER);
        if (rgb) {
            kept = WriteBufferRange(gl, GL_ARRAY_BUFFER, vertexBytes, static_cast<intptr_t>(n) * kTriple, rgb) && kept;
            bufferHasColors = 1;
        }
        auto* mappedTriangles = static_cast<MeshTriangle*>(gl.MapBuffer(GL_ELEMENT_ARRAY_BUFFER, GL_WRITE_ONLY));
        int32_t offset = 0;
        at = 0;
        for (int32_t s = 0; s < slabCount; ++s) {
            for (int32_t i = 0; i < slabTriangles[s].count; ++i, ++at) {
                MeshTriangle tri = *slabTriangles[s].At(i);
                for (int32_t& v : tri.v)
                    v += offset;
                if (mappedTriangles)
                    mappedTriangles[at] = tri;
                else
                    gl.BufferSubData(GL_ELEMENT_ARRAY_BUFFER, at * sizeof(MeshTriangle), sizeof(MeshTriangle), &tri);
            }
            offset += vertices[s].count;
        }
        kept = (!mappedTriangles || gl.UnmapBuffer(GL_ELEMENT_ARRAY_BUFFER)) && kept;
        UnbindBuffers(gl);
        // A store the driver lost holds nothing worth drawing.
        if (!kept)
            Clear();
        return;
    }
    if (!AllocClientArrays()) {
        Clear();
        return;
    }
    uint32_t at = 0, tat = 0;
    int32_t offset = 0;
    for (int32_t s = 0; s < slabCount; ++s) {
        for (int32_t i = 0; i < vertices[s].count; ++i, ++at) {
            const MeshVertex& v = *vertices[s].At(i);
            std::memcpy(positions + 3 * at, v.position, sizeof v.position);
            std::memcpy(normals + 3 * at, v.normal, sizeof v.normal);
        }
        for (int32_t i = 0; i < slabTriangles[s].count; ++i, ++tat) {
            const MeshTriangle& tri = *slabTriangles[s].At(i);
            for (int k = 0; k < 3; ++k)
                triangles[3 * tat + k] = tri.v[k] + offset;
        }
        offset += vertices[s].count;
    }
    state = MeshClientArrays;
    if (rgb)
        SetColors(rgb);
}

void MeshBuffer::SetLines(const float* pos, const uint16_t* pairs, const float* rgb, uint32_t n, int32_t count,
                          ViewRenderContext* ctx)
{
    Clear();
    context = ctx;
    if (!pos || !pairs || count <= 0 || n > kMaxIndexedVertices)
        return;
    vertexCount = n;
    lineCount = count;
    if (ChooseBufferObjects(false)) {
        CreateLineVBO(pos, rgb, pairs);
        BecomeBufferObjects();
        return;
    }
    if (!AllocClientArrays()) {
        Clear();
        return;
    }
    std::memcpy(positions, pos, 3ull * n * sizeof(float));
    std::memcpy(lines, pairs, 2ull * static_cast<uint32_t>(count) * sizeof(uint16_t));
    state = MeshClientArrays;
    if (rgb)
        SetColors(rgb);
}

void MeshBuffer::SetPoints(const float* pos, const float* rgb, const PointLabel* labels,
                           const PointLabel* secondLabels, const float* sizes, uint32_t n, ViewRenderContext* ctx)
{
    Clear();
    context = ctx;
    if (!pos || n == 0 || n > kMaxIndexedVertices)
        return;
    vertexCount = n;
    if (ChooseBufferObjects(false)) {
        CreatePointVBO(pos, rgb);
        BecomeBufferObjects();
        return;
    }
    if (!AllocClientArrays()) {
        Clear();
        return;
    }
    std::memcpy(positions, pos, 3ull * n * sizeof(float));
    FillPointIndices(pointIndices, n);
    state = MeshClientArrays;
    SetColors(rgb);
    SetPointLabels(labels);
    SetSecondPointLabels(secondLabels);
    SetPointSizes(sizes);
}

void MeshBuffer::SetColors(const float* rgb)
{
    SetVertexTail(rgb, 3);
}

void MeshBuffer::SetTexCoords(const float* uv)
{
    SetVertexTail(uv, 2);
}

void MeshBuffer::SetVertexTail(const float* data, int components)
{
    const bool color = components == 3;
    float*& mine = color ? colors : texCoords;
    float*& other = color ? texCoords : colors;
    uint8_t& bufferHasMine = color ? bufferHasColors : bufferHasTexCoords;
    uint8_t& bufferHasOther = color ? bufferHasTexCoords : bufferHasColors;
    if (state == MeshClientArrays) {
        FreeArray(other);
        CopyArray(mine, data, uint64_t(components) * vertexCount);
        return;
    }
    if (state != MeshBufferObjects)
        return;
    if (!data) {
        bufferHasMine = 0;
        return;
    }
    // The data fit only where the load reserved room for them; else the
    // mesh takes them in client memory and goes back to buffer objects,
    // with room, at its next draw.
    const intptr_t bytes = components * static_cast<intptr_t>(sizeof(float));
    if (reservedTail < bytes) {
        MoveToClientArrays();
        if (state == MeshClientArrays)
            SetVertexTail(data, components);
        return;
    }
    GLFunctions& gl = *bufferWindow->gl;
    bufferWindow->MakeCurrent();
    gl.BindBuffer(GL_ARRAY_BUFFER, vertexBufferName);
    WriteBufferRange(gl, GL_ARRAY_BUFFER, TailOffset(), static_cast<intptr_t>(vertexCount) * bytes, data);
    bufferHasMine = 1;
    bufferHasOther = 0;
    UnbindBuffers(gl);
}

void MeshBuffer::SetPointLabels(const PointLabel* labels)
{
    if (state == MeshClientArrays)
        CopyArray(pointLabels, labels, vertexCount);
}

void MeshBuffer::SetSecondPointLabels(const PointLabel* labels)
{
    if (state == MeshClientArrays)
        CopyArray(secondPointLabels, labels, vertexCount);
}

void MeshBuffer::SetPointSizes(const float* sizes)
{
    if (state == MeshClientArrays)
        CopyArray(pointSizes, sizes, vertexCount);
}

void MeshBuffer::MoveToVBO()
{
    // Point labels and sizes stay behind: only the software path draws them.
    if (triangleMesh)
        CreateTriangleVBO(positions, normals, colors, texCoords, triangles);
    else if (lineCount != 0)
        CreateLineVBO(positions, colors, lines);
    else
        CreatePointVBO(positions, colors);
    FreeClientArrays();
    BecomeBufferObjects();
}

void MeshBuffer::MoveToClientArrays()
{
    RemoveBufferMesh(this);
    if (!bufferWindow || !bufferWindow->MakeCurrent() || !AllocClientArrays()) {
        DeleteVBOs();
        state = MeshEmpty;
        return;
    }
    GLFunctions& gl = *bufferWindow->gl;
    const intptr_t n = vertexCount;
    gl.BindBuffer(GL_ARRAY_BUFFER, vertexBufferName);
    if (interleaved) {
        std::vector<MeshVertex> all(vertexCount);
        gl.GetBufferSubData(GL_ARRAY_BUFFER, 0, n * static_cast<intptr_t>(sizeof(MeshVertex)), all.data());
        for (uint32_t i = 0; i < vertexCount; ++i) {
            std::memcpy(positions + 3 * i, all[i].position, sizeof all[i].position);
            std::memcpy(normals + 3 * i, all[i].normal, sizeof all[i].normal);
        }
    } else {
        gl.GetBufferSubData(GL_ARRAY_BUFFER, 0, n * kTriple, positions);
        if (triangleMesh)
            gl.GetBufferSubData(GL_ARRAY_BUFFER, n * kTriple, n * kTriple, normals);
    }
    bool ok = true;
    if (bufferHasColors && (ok = (colors = AllocArray<float>(3ull * vertexCount)) != nullptr))
        gl.GetBufferSubData(GL_ARRAY_BUFFER, TailOffset(), n * kTriple, colors);
    if (bufferHasTexCoords && ok && (ok = (texCoords = AllocArray<float>(2ull * vertexCount)) != nullptr))
        gl.GetBufferSubData(GL_ARRAY_BUFFER, TailOffset(), n * kPair, texCoords);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBufferName);
    if (triangleMesh)
        gl.GetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<intptr_t>(triangleCount) * 12, triangles);
    else if (lineCount != 0)
        gl.GetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<intptr_t>(lineCount) * 4, lines);
    else
        FillPointIndices(pointIndices, vertexCount);
    UnbindBuffers(gl);
    DeleteVBOs();
    interleaved = 0;
    state = ok ? MeshClientArrays : MeshEmpty;
    if (!ok)
        FreeClientArrays();
    if (context)
        context->MakeCurrentIfChildWindow();
}

void MeshBuffer::Sync()
{
    if (state == MeshEmpty || !context)
        return;
    if (!context->UsesVBOs() || !context->GetVBOWindow()) {
        if (state == MeshBufferObjects)
            MoveToClientArrays();
        return;
    }
    if (state == MeshClientArrays) {
        if (!context->IsNVIDIARenderer())
            MoveToVBO();
    } else if (bufferWindow != context->GetVBOWindow()) {
        // The context was rebuilt: the data goes over to its new window.
        MoveToClientArrays();
        if (state == MeshClientArrays)
            MoveToVBO();
    }
}

void MeshBuffer::SetClientArrays()
{
    context->SetVertexArray(positions, static_cast<int32_t>(vertexCount));
    if (normals)
        context->SetNormalArray(normals);
    if (colors)
        context->SetColorArray(colors);
    if (texCoords)
        context->SetTexCoordArray(texCoords);
}

void MeshBuffer::BindVBOArrays()
{
    GLFunctions& gl = *bufferWindow->gl;
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBufferName);
    gl.BindBuffer(GL_ARRAY_BUFFER, vertexBufferName);
    const int stride = interleaved ? 24 : 12;
    gl.VertexPointer(3, GL_FLOAT, stride, nullptr);
    if (triangleMesh) {
        gl.EnableClientState(GL_NORMAL_ARRAY);
        gl.NormalPointer(GL_FLOAT, stride,
                         reinterpret_cast<const void*>(interleaved ? 12 : static_cast<intptr_t>(vertexCount) * kTriple));
    }
    // With a buffer bound the array addresses are offsets into it.
    const auto* tail = reinterpret_cast<const float*>(TailOffset());
    if (bufferHasColors)
        context->SetColorArray(tail);
    else if (bufferHasTexCoords)
        context->SetTexCoordArray(tail);
}

void MeshBuffer::DisableArrays()
{
    if (bufferHasTexCoords || texCoords)
        context->DisableTexCoordArray();
    if (bufferHasColors || colors)
        context->DisableColorArray();
    if (triangleMesh)
        context->DisableNormalArray();
}

void MeshBuffer::Draw()
{
    Sync();
    if (state == MeshEmpty || !context)
        return;
    const bool buffered = state == MeshBufferObjects;
    if (buffered)
        BindVBOArrays();
    else
        SetClientArrays();
    if (triangleMesh)
        context->DrawTriangles(buffered ? nullptr : triangles, triangleCount);
    else if (lineCount != 0)
        context->DrawLines(buffered ? nullptr : lines, lineCount, !(buffered ? bufferHasColors : colors != nullptr));
    else if (buffered)
        context->DrawPoints(nullptr, nullptr, nullptr, nullptr, static_cast<int32_t>(vertexCount));
    else
        context->DrawPoints(pointIndices, pointLabels, secondPointLabels, pointSizes, static_cast<int32_t>(vertexCount));
    if (buffered)
        UnbindBuffers(*bufferWindow->gl);
    DisableArrays();
}
