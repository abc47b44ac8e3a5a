#pragma once
// The Windows build sends the microphone unprocessed: its window shows the saved switches but
// cannot change them.

constexpr bool VOICE_PROCESSING_AVAILABLE = false;
