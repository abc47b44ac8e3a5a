#pragma once
// Where menu items and accelerators report their command id: a function supplied by the
// window's owner, with its context.

struct CommandSink {
    void* context = nullptr;
    void (*command)(void* context, int commandId) = nullptr;

    void send(int commandId) const { command(context, commandId); }
};
