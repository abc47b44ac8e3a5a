#pragma once
// Raising scheduling priority where the system permits it; silently kept otherwise.

// The whole process: a lower nice value, on Windows the high priority class.
void raiseProcessPriority();
// The calling thread only: on Windows THREAD_PRIORITY_HIGHEST.
void raiseThreadPriority();
