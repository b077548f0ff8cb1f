// The pictures and sounds built into the program (resources/vellumor.qrc).
#pragma once

// Makes them reachable under ":/"; once is enough, later calls do nothing.
void RegisterProgramResources();
