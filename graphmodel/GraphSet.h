// The set of graph views the graph pane shows. What the document and the
// panes ask of it is declared beneath, with the document.
#pragma once

#include "document/DocumentGraphSet.h"

class GraphSet : public DocumentGraphSet {
public:
    ~GraphSet() override;
};
