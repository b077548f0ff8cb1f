// The versions of the libraries beneath the program, for the log's header.
#pragma once

#include <string>
#include <vector>

// "Qt 6.4.2", "libpng 1.6.39", "OpenGL renderer ..." (or "OpenGL renderer
// none" when the probe found no OpenGL).
std::vector<std::string> LibraryVersionLines();
