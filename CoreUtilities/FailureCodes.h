// The failure codes that any thread may post to the failure register: the
// numbers of the message texts the user is shown for them.
#pragma once

#include <cstdint>

enum FailureCode : int32_t {
    FailureOutOfMemory = 36,         // memory or the budget exhausted
    FailureViewRangeTooNarrow = 37,  // a 2D view range double precision cannot tell apart
    FailureTransparencyMemory = 40,  // no memory for rendering with transparency
    FailureUnreadableFile = 41,      // the file is not a readable document
    FailureNewerDocument = 47,       // the document was written by a newer version
    FailureRendering = 49,           // creating, locking or copying a surface failed

    // The range the register's 32 bits cover.
    FirstFailureCode = 36,
    LastFailureCode = 67,
};
