// One document per process: before a copy opens a file it asks the running
// copies (and itself) whether one already shows it; New and Open otherwise
// start another copy of the program.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// True when a running copy shows the path and has come to the front. Each
// copy gets 4 seconds; one that does not answer in time is skipped.
bool SendOpenToRunningInstance(const QString& path);

// Starts another copy with the arguments (a document path, or none); 0 on
// success, else an error number, which has been shown to the user.
int StartNewInstance(const QStringList& arguments);
// Tests record the starts instead; an empty hook restores them.
void SetStartInstanceHook(std::function<int(const QStringList&)> hook);
