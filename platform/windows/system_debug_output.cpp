#include "platform/system_debug_output.h"

#include <windows.h>

void writeSystemDebugLine(const char* text)
{
    OutputDebugStringA(text);
}
