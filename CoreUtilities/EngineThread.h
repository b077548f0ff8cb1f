// Starting the engine's own threads: the graph workers, the document-task
// thread and the single-job thread. They run formula evaluation and the
// recursive symbolic code, so they get a stack of a known size.
#pragma once

#include <cstddef>
#include <pthread.h>

extern size_t EngineThreadStackBytes;

// Starts body(argument) on a new thread. With thread null the thread is
// detached; otherwise its handle is stored there for a join. False when the
// system gives no thread.
bool StartEngineThread(void* (*body)(void*), void* argument, pthread_t* thread);
