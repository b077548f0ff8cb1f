// The two program texts built into the renderer: the lighting vertex program
// that runs under every generated colour program (it hands the surface point
// on as texture coordinate set 0 and the vertex's own texture coordinates as
// set 1), and the fragment program of the HSV post pass, which converts a
// frame drawn in HSV to RGB by reading it back as a rectangle texture. Both
// end their lines with CR alone.
#pragma once

const char* ColorVertexProgramText();
const char* HSVToRGBProgramText();
