#pragma once
// Raises the calling thread to the highest priority the system grants it
// (time-critical where allowed). Failure is silent: the thread just runs at
// normal priority.
void raiseThreadPriorityToTimeCritical();
