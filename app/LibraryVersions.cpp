#include "app/LibraryVersions.h"

#include "rendering/GLProbe.h"

#include <QtGlobal>
#include <png.h>

std::vector<std::string> LibraryVersionLines()
{
    const char* png = png_get_libpng_ver(nullptr);
    const std::string& renderer = GetGLRendererName();
    return {std::string("Qt ") + qVersion(), std::string("libpng ") + (png ? png : "unknown"),
            "OpenGL renderer " + (renderer.empty() ? std::string("none") : renderer)};
}
