#pragma once
// Diagnostic lines of the receive paths. By default each text goes to standard error in
// one write; tests may redirect them. Thread-safe for writing; set the sink before threads run.

using DebugSink = void (*)(void* context, const char* text);

void debugOutput(const char* text);
// nullptr restores standard error.
void setDebugSink(DebugSink sink, void* context);
