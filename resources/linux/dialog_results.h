#pragma once
// The results a dialog ends with, and the ids of the buttons that give them, with the values
// Windows gives them.

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
