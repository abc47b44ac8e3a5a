#pragma once
// The results a dialog ends with, and the ids of the buttons that give them: the system's own
// IDOK and IDCANCEL.
// resources/resource_ids.h includes it as "dialog_results.h": the build puts this folder on the
// include path on Windows, and resources/linux/ with its twin on Linux.

#include <windows.h>
