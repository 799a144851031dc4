// The program's two global objects. They are defined in one translation unit, the
// worker first: built in that order before the entry runs, destroyed in reverse
// at exit, so the worker, which cancels and joins a copy still running, goes last.
#ifndef APP_GLOBAL_OBJECTS_H
#define APP_GLOBAL_OBJECTS_H

#include "copy_worker.h"
#include "timed_value_queue.h"

extern CopyWorker TheCopyWorker;
extern TimedValueQueue TheTimedValueQueue;

#endif
