#pragma once
// Raising scheduling priority where the system permits it; silently kept otherwise.

// The whole process (a lower nice value).
void raiseProcessPriority();
// The calling thread only.
void raiseThreadPriority();
