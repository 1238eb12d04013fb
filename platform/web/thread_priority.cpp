#include "platform/thread_priority.h"

// A page has one thread, and the browser decides what it gets.
void raiseThreadPriorityToTimeCritical() {}
