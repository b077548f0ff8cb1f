// The base of every plotted object: the computing protocol that the graph
// worker pool drives. A graph splits its work into parts; workers compute the
// parts, several at once, while every other operation runs on the
// user-interface thread.
#pragma once

#include "CoreUtilities/GraphJobTarget.h"

class AGraph : public GraphJobTarget {};
