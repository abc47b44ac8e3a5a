#pragma once
// The results a dialog ends with, and the ids of the buttons that give them, with the values
// Windows gives them.
// resources/resource_ids.h includes it as "dialog_results.h": the build puts this folder on the
// include path on Linux, and resources/windows/ with its twin on Windows.

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
