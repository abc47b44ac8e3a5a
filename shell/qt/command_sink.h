#pragma once
// Where menu items and accelerators report their command id: the window's owner. It must
// outlive the items it is given to.

class CommandSink {
public:
    virtual void send(int commandId) = 0;

protected:
    ~CommandSink() = default;
};
