#include "tools/console_view.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex outputMutex;

void printLine(const char* format, auto... values)
{
    std::lock_guard<std::mutex> lock(outputMutex);
    std::printf(format, values...);
    std::fflush(stdout);
}

void setTitle(void*, const char* title)
{
    printLine("title %s\n", title);
}

void setControlText(void*, int controlId, const char* text)
{
    printLine("text %d %s\n", controlId, text);
}

void setMeter(void*, int controlId, int position)
{
    printLine("meter %d %d\n", controlId, position);
}

void showWarning(void*, const char* text, const char* caption)
{
    printLine("warning %s|%s\n", caption, text);
}

void showFatal(void*, const char* text, const char* caption, bool)
{
    printLine("fatal %s|%s\n", caption, text);
    std::_Exit(0);
}

void showNotice(void*, const char* text, const char* caption, bool)
{
    printLine("notice %s|%s\n", caption, text);
}

}

MainWindowView makeConsoleView()
{
    MainWindowView view;
    view.setTitle = setTitle;
    view.setControlText = setControlText;
    view.setMeter = setMeter;
    view.showWarning = showWarning;
    view.showFatal = showFatal;
    view.showNotice = showNotice;
    return view;
}
