// The compiling evaluation of subtrees that the formula layer's symbolic
// commands ask for (SubtreeValue): a copy of the subtree is compiled into a
// temporary formula and evaluated once on the calling thread's frame.
#pragma once

// Gives the formula layer this evaluation (start-up, once).
void RegisterSubtreeEvaluation();
