// adpcm-tool: converts raw 8 kHz 16-bit little-endian mono PCM to a stream of 254-byte voice
// frames and back, with the coder the conference uses. For tests and offline inspection.
//
//   adpcm-tool encode IN OUT   one coder from rest; the last block is padded with silence
//   adpcm-tool decode IN OUT   500 samples per frame; a partial or corrupt frame is an error

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codec/adpcm_codec.h"

constexpr int EXIT_USAGE = 2;
constexpr size_t PCM_BLOCK_BYTES = SAMPLES_PER_FRAME * 2;

static int usage()
{
    std::fprintf(stderr,
                 "usage: adpcm-tool encode IN OUT   (raw s16le mono 8000 Hz -> 254-byte frames)\n"
                 "       adpcm-tool decode IN OUT   (254-byte frames -> raw s16le mono 8000 Hz)\n");
    return EXIT_USAGE;
}

// Reads until size bytes arrived or the file ended; returns the count read, or -1 on error.
static long readFully(std::FILE* file, uint8_t* buffer, size_t size)
{
    const size_t got = std::fread(buffer, 1, size, file);
    return std::ferror(file) ? -1 : static_cast<long>(got);
}

struct Files {
    const char* inPath;
    const char* outPath;
    std::FILE* in = nullptr;
    std::FILE* out = nullptr;
    bool outputCreated = false;

    bool open()
    {
        in = std::fopen(inPath, "rb");
        if (!in) {
            std::fprintf(stderr, "adpcm-tool: cannot read %s: %s\n", inPath, std::strerror(errno));
            return false;
        }
        out = std::fopen(outPath, "wb");
        if (!out) {
            std::fprintf(stderr, "adpcm-tool: cannot write %s: %s\n", outPath, std::strerror(errno));
            return false;
        }
        outputCreated = true;
        return true;
    }

    bool write(const void* data, size_t size)
    {
        if (std::fwrite(data, 1, size, out) == size)
            return true;
        std::fprintf(stderr, "adpcm-tool: cannot write %s: %s\n", outPath, std::strerror(errno));
        return false;
    }

    // Closes both files; a failed flush of the output counts as a write error.
    bool close()
    {
        bool ok = true;
        if (in)
            std::fclose(in);
        if (out && std::fclose(out) != 0) {
            std::fprintf(stderr, "adpcm-tool: cannot write %s: %s\n", outPath, std::strerror(errno));
            ok = false;
        }
        in = out = nullptr;
        return ok;
    }

    // Ends a failed run: an incomplete output file is not left behind.
    int fail()
    {
        close();
        if (outputCreated)
            std::remove(outPath);
        return 1;
    }
};

static int encodeFile(Files& files)
{
    AdpcmCoder coder;
    uint8_t bytes[PCM_BLOCK_BYTES];
    int16_t samples[SAMPLES_PER_FRAME];
    VoiceFrame frame;
    for (;;) {
        const long got = readFully(files.in, bytes, sizeof bytes);
        if (got < 0) {
            std::fprintf(stderr, "adpcm-tool: cannot read %s: %s\n", files.inPath, std::strerror(errno));
            return files.fail();
        }
        if (got == 0)
            break;
        if (got % 2 != 0) {
            std::fprintf(stderr, "adpcm-tool: %s ends in the middle of a 16-bit sample\n", files.inPath);
            return files.fail();
        }
        const long count = got / 2;
        for (long i = 0; i < SAMPLES_PER_FRAME; ++i)
            samples[i] = i < count ? static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8))
                                   : int16_t{0};
        coder.encode(frame, samples, SAMPLES_PER_FRAME, 0);
        if (!files.write(&frame, sizeof frame))
            return files.fail();
        if (count < SAMPLES_PER_FRAME)
            break;
    }
    return files.close() ? 0 : files.fail();
}

static int decodeFile(Files& files)
{
    VoiceFrame frame;
    int16_t samples[SAMPLES_PER_FRAME];
    uint8_t bytes[PCM_BLOCK_BYTES];
    for (long index = 0;; ++index) {
        const long got = readFully(files.in, reinterpret_cast<uint8_t*>(&frame), sizeof frame);
        if (got < 0) {
            std::fprintf(stderr, "adpcm-tool: cannot read %s: %s\n", files.inPath, std::strerror(errno));
            return files.fail();
        }
        if (got == 0)
            break;
        if (got != VOICE_FRAME_SIZE) {
            std::fprintf(stderr, "adpcm-tool: %s: frame %ld is cut short (%ld of %d bytes)\n", files.inPath, index, got,
                         VOICE_FRAME_SIZE);
            return files.fail();
        }
        if (decodeReceivedFrame(samples, SAMPLES_PER_FRAME, frame) != 0) {
            std::fprintf(stderr, "adpcm-tool: %s: frame %ld has step index %d (at most %d)\n", files.inPath, index,
                         frame.stepIndex, ADPCM_MAX_STEP_INDEX);
            return files.fail();
        }
        for (int i = 0; i < SAMPLES_PER_FRAME; ++i) {
            const auto bits = static_cast<uint16_t>(samples[i]);
            bytes[2 * i] = static_cast<uint8_t>(bits);
            bytes[2 * i + 1] = static_cast<uint8_t>(bits >> 8);
        }
        if (!files.write(bytes, sizeof bytes))
            return files.fail();
    }
    return files.close() ? 0 : files.fail();
}

int main(int argc, char** argv)
{
    if (argc != 4)
        return usage();
    const bool encode = std::strcmp(argv[1], "encode") == 0;
    if (!encode && std::strcmp(argv[1], "decode") != 0)
        return usage();
    Files files{argv[2], argv[3]};
    if (!files.open())
        return files.fail();
    return encode ? encodeFile(files) : decodeFile(files);
}
