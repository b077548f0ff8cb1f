// The document's answers to what the formula and evaluation layers ask of
// it (DocumentQueries, DocumentValues), and to the subtree evaluation the
// symbolic commands need: registered once at start-up, before any formula
// is compiled.
#pragma once

void RegisterDocumentServices();
