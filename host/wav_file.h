// WAV files through libsndfile. Builds without it (MODHOST_HAVE_SNDFILE 0)
// keep the interface and report every use as an error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace modhost {

bool wavFilesSupported();

struct WavContents {
    double sampleRate = 0.0;
    int32_t channels = 0;
    std::vector<float> frames;  // interleaved, channels values per frame
};

// Throws HostError naming the file when it cannot be read.
WavContents readWavFile(const std::string& path);

class WavWriter {
public:
    // `format`: "float" (32-bit float), "pcm16" or "pcm24". Throws HostError.
    WavWriter(const std::string& path, int32_t channels, double sampleRate,
              const std::string& format);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // `interleaved` holds frames × channels values.
    void write(const float* interleaved, int64_t frames);
    void close();

private:
    struct File;
    std::string path_;
    std::unique_ptr<File> file_;
};

}  // namespace modhost
