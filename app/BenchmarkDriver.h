// Starts the benchmark (the command line's "--benchmark"): the player runs
// it, and when it ends the report goes to standard output and, when asked,
// the program quits.
#pragma once

class CMainFrame;

void StartBenchmark(CMainFrame* frame, bool quitWhenDone);
