#pragma once
// The results a dialog ends with, and the ids of the buttons that give them: the system's own
// IDOK and IDCANCEL.

#include <windows.h>
