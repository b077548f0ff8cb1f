// The 2D views' ranges, units, axes and graph paper go to and come from a
// document's view settings; the rest of the record is carried unchanged
// until the other views take it.
#pragma once

void RegisterViewSettingsHooks();
