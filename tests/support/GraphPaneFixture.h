// A graph pane window shown for a test, with the document's graph set and
// pane pointing at it, and taken down again.
#pragma once

#include "app/CGraphView.h"
#include "app/GraphPaneServices.h"
#include "document/DocState.h"
#include "support/TestApp.h"

#include <QTest>

// The pane of width x height, shown; null (after a test failure) when it
// never appears.
inline CGraphView* OpenGraphPane(DocumentGraphSet* graphs, int width, int height)
{
    TestApp();
    LoadCursorsAndRegions();
    DocState* doc = GetDocState();
    doc->Graphs = graphs;
    auto* pane = new CGraphView(nullptr);
    doc->GraphPaneWindow = pane;
    SetGraphPaneWindow(pane);
    pane->resize(width, height);
    pane->show();
    return QTest::qWaitForWindowExposed(pane) ? pane : nullptr;
}

inline void CloseGraphPane(CGraphView* pane)
{
    delete pane;
    DocState* doc = GetDocState();
    doc->Graphs = nullptr;
    doc->GraphPaneWindow = nullptr;
    doc->graphPaneRect = ShortRect{0, 0, 0, 0};
    SetGraphPaneWindow(nullptr);
}
