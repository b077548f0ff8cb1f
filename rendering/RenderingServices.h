// Start-up wiring of the renderer: the 3D and 4D views of every graph set
// get render contexts that draw, and the document's idle work removes the
// child windows that released contexts left behind.
#pragma once

#include "rendering/ViewRenderContext.h"

#include <new>

// A view of the given class with a render context of its own; null (nothing
// kept) without memory.
template <typename View>
View* MakeViewWithRenderContext()
{
    ViewRenderContext* context = CreateRenderContext();
    if (!context)
        return nullptr;
    View* view = new (std::nothrow) View(context);
    if (!view)
        delete context;
    return view;
}

void RegisterRenderingServices();
