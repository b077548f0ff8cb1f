// The analysis pass: every equation line becomes the list of statements the
// graph factory takes, with definitions put in, plus-or-minus signs and set
// definitions expanded, the rewrites applied and each statement classified.
// It runs on the cooperative thread while the user-interface thread waits,
// so it reads and writes the document without locks.
#pragma once

struct DocState;

// The body of the analysis thread; yields after each statement, and stops
// early, keeping what it made, while the abort flag is raised.
void AnalyseDocument(DocState* doc);
