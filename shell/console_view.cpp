#include "shell/console_view.h"

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

class ConsoleView final : public MainWindowView {
public:
    void title(const char* text) override { printLine("title %s\n", text); }
    void controlText(int controlId, const char* text) override { printLine("text %d %s\n", controlId, text); }
    void meter(int controlId, int position) override { printLine("meter %d %d\n", controlId, position); }
    void warning(const char* text, const char* caption) override { printLine("warning %s|%s\n", caption, text); }
    void notice(const char* text, const char* caption, bool) override { printLine("notice %s|%s\n", caption, text); }

private:
    void showFatal(const char* text, const char* caption, bool) override
    {
        printLine("fatal %s|%s\n", caption, text);
        std::_Exit(0);
    }
};

}

MainWindowView& consoleView()
{
    static ConsoleView view;
    return view;
}
