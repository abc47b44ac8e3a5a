#include "audio/pcm_format.h"

PcmFormat& makePcmFormat(PcmFormat& format, int channels, int samplesPerSecond, int bitsPerSample)
{
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = static_cast<uint16_t>(channels);
    format.samplesPerSecond = static_cast<uint32_t>(samplesPerSecond);
    format.averageBytesPerSecond = static_cast<uint32_t>(channels * samplesPerSecond * bitsPerSample / 8);
    format.blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    format.bitsPerSample = static_cast<uint16_t>(bitsPerSample);
    format.extraSize = 0;
    return format;
}

PcmFormat& makeVoiceFormat(PcmFormat& format)
{
    return makePcmFormat(format, 1, 8000, 16);
}
