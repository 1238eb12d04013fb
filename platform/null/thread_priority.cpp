#include "platform/thread_priority.h"

// Without a sound device no thread needs to keep time.
void raiseThreadPriorityToTimeCritical() {}
