// The frame's side of its small controls: the graph tool bar kept in step
// with the document, its commands, the range and slider dialogs, and the
// key palette.
#pragma once

// Gives the document the tool bar's slider and refresh (start-up, once).
void RegisterFrameControlServices();
// The frame's tool bar follows the document; nothing without a frame.
void UpdateGraphBar();
