#pragma once
// The participant program's worker: the capture device, the 16 playback channels, the
// participant's link with the relay server it may host, the encoder and the mute flags, built
// on the worker thread, with the participant's events.

#include "shell/worker_thread.h"

// The participant's worker body: builds those objects and serves their events.
void serveParticipant(WorkerThread& thread, EventLoop& loop, MainWindowView& view);

class ParticipantWorker : public WorkerThread {
public:
    explicit ParticipantWorker(MainWindowView& view) : WorkerThread(view, serveParticipant) {}
};
