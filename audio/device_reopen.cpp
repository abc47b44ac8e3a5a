#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/playback_channel.h"

#include <cstring>

// What the devices keep of their own to be opened again as they were, on either system.

int CaptureDevice::start()
{
    recordingWanted_ = true;
    return startDevice();
}

void CaptureDevice::stop()
{
    recordingWanted_ = false;
    stopDevice();
}

int CaptureDevice::reopen(AudioSystem& audio)
{
    const bool recording = recordingWanted_;
    close();
    int result = open(audio, window_, format_);
    if (recording) {
        const int started = start();
        if (result == 0) {
            result = started;
        }
    }
    return result;
}

void PlaybackChannel::setDisplayName(const char* nickname)
{
    if (std::strncmp(displayName_, nickname != nullptr ? nickname : "", sizeof displayName_ - 1) == 0) {
        return;
    }
    // Cut at a UTF-8 character boundary.
    size_t length = 0;
    if (nickname != nullptr) {
        length = strnlen(nickname, sizeof displayName_);
        if (length == sizeof displayName_) {
            length = sizeof displayName_ - 1;
            while (length > 0 && (static_cast<unsigned char>(nickname[length]) & 0xC0) == 0x80) {
                --length;
            }
        }
        std::memcpy(displayName_, nickname, length);
    }
    displayName_[length] = '\0';
    showDisplayName();
}

int PlaybackChannel::reopen(AudioSystem& audio)
{
    close();
    return open(audio, window_, format_, slot_);
}
