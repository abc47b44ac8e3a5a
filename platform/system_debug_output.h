#pragma once
// Where a diagnostic line goes when no sink is set: standard error, or on Windows the debugger.

void writeSystemDebugLine(const char* text);
