#pragma once
// Diagnostic lines of the receive paths. By default each text goes in one piece to standard
// error, on Windows to the debugger (OutputDebugStringA); tests may redirect them. A line
// repeated many times a second is written only a few times, then summarised (DebugLineLimiter).
// Thread-safe; setting the sink also starts the limiting afresh.

using DebugSink = void (*)(void* context, const char* text);

void debugOutput(const char* text);
// nullptr restores the default.
void setDebugSink(DebugSink sink, void* context);
