// The 2D, 3D and 4D views' ranges, boxes, cameras, rotations, spins and
// flags go to and come from a document's view settings.
#pragma once

void RegisterViewSettingsHooks();
