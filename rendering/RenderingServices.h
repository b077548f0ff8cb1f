// Start-up wiring of the renderer: the 3D and 4D views of every graph set
// get render contexts that draw, and the document's idle work removes the
// child windows that released contexts left behind.
#pragma once

void RegisterRenderingServices();
