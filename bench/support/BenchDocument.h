// A document of equation lines given as formula text, with one 1000 x 700 2D
// view drawn into an offscreen surface, for the benchmarks that graph.
#pragma once

#include "document/DocState.h"

#include <string>
#include <vector>

struct OffscreenSurface;

class BenchDocument {
public:
    explicit BenchDocument(const std::vector<std::string>& texts);
    ~BenchDocument();

    // Draw Graph, the idle work until every graph is complete, one frame.
    void DrawGraphToFirstFrame();
    // The idle work until every graph is complete, and the frame drawn.
    void CompleteAndDraw();

    DocState doc;
    OffscreenSurface* surface = nullptr;
};
