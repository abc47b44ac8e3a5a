#pragma once
// The microphone's echo cancellation, noise suppression and automatic gain run on this system.

constexpr bool VOICE_PROCESSING_AVAILABLE = true;
