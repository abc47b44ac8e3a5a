#pragma once
// Diagnostic lines of the receive paths. By default each text goes in one piece to standard
// error, on Windows to the debugger (OutputDebugStringA); tests may redirect them. A line
// repeated many times a second is written only a few times, then summarised (DebugLineLimiter).
// Thread-safe; setting the sink also starts the limiting afresh.

// A place a diagnostic line is written to.
class DebugSink {
public:
    virtual void writeLine(const char* text) = 0;

protected:
    ~DebugSink() = default;
};

void debugOutput(const char* text);
// nullptr restores the default; a sink must stay until it is replaced.
void setDebugSink(DebugSink* sink);
