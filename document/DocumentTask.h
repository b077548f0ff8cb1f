// The document-task thread: computes, away from the user-interface thread,
// the "= value" results of equation lines and the formula columns of tables
// (DocState::RefreshResults). The document queues its task when its analysis
// has finished and cancels it before it recomputes, edits or closes. A
// running task is cancelled through DocumentTaskAbort, which the
// interpreters poll on this thread only.
#pragma once

#include <cstdint>

struct DocState;

// The document's TaskState.
enum DocumentTaskState : int32_t {
    DocumentTaskNone = 0,      // no task has run yet
    DocumentTaskRunning = 2,
    DocumentTaskFinished = 3,
};

// Compiles the document's user functions (the task thread never compiles),
// then queues the document unless it is queued already.
void EnqueueDocumentTask(DocState* doc);
// Takes the document out of the queue; when its task runs, raises
// DocumentTaskAbort until the task has ended. On return no task of the
// document runs, and the document may change what the task reads. True when
// a task was queued or running.
bool CancelDocumentTask(DocState* doc);

// The document's task is queued or running: either way it is about to read
// the variables and table-function lists.
bool IsDocumentTaskPending(DocState* doc);
// Body of the document-task thread, started once by StartWorkerThreads.
void* DocumentTaskThreadMain(void*);

// Start-up, once: the graph workers, then the single-job thread and the
// document-task thread. Later calls do nothing.
void StartWorkerThreads();

// What the thread runs for a document it takes: DocState::RefreshResults.
// Tests put a routine of their own in its place; null puts the real one back.
using DocumentTaskRoutine = void (*)(DocState* doc);
void SetDocumentTaskRoutine(DocumentTaskRoutine routine);
