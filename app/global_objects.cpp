#include "global_objects.h"

CopyWorker TheCopyWorker;
TimedValueQueue TheTimedValueQueue;
