// The single-job thread: runs one job at a time for the 2D view (hit tests
// and trace read-outs, which evaluate formulas) so the user-interface thread
// is never frozen for long. The poster waits up to a time-out, then raises
// SingleJobOverdue, which makes the interpreters on this thread and the
// view's job routine give up, and waits for the job to end.
#pragma once

// What runs as the single job: the 2D view, which hands the job over in its
// own fields.
class SingleJobTarget {
public:
    virtual ~SingleJobTarget() = default;
    virtual void RunJob() = 0;
};

// Runs the view's job (set in its own fields) on the single-job thread and
// returns once it has ended. The overdue flag goes up when the job has not
// ended by the next whole second of the monotonic clock plus one (between one
// and two seconds after posting), and down when it ends. User-interface
// thread only.
void RunSingleJob(SingleJobTarget* view);

// Body of the single-job thread, started once by StartWorkerThreads.
void* SingleJobThreadMain(void*);
