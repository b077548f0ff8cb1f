// The 2D and 3D views' ranges, boxes, cameras, spins and flags go to and
// come from a document's view settings; the rest of the record (the 4D
// view's, the placed pictures) is carried unchanged.
#pragma once

void RegisterViewSettingsHooks();
