#include "host/wav_file.h"

#include <cmath>

#include "host/plugin_library.h"

#if MODHOST_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace modhost {

#if MODHOST_HAVE_SNDFILE

bool wavFilesSupported() {
    return true;
}

WavContents readWavFile(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw HostError(path + ": " + sf_strerror(nullptr));
    WavContents contents;
    contents.sampleRate = info.samplerate;
    contents.channels = info.channels;
    contents.frames.resize(size_t(info.frames) * size_t(info.channels));
    sf_count_t read = sf_readf_float(file, contents.frames.data(), info.frames);
    sf_close(file);
    contents.frames.resize(size_t(read) * size_t(info.channels));
    return contents;
}

struct WavWriter::File {
    SNDFILE* handle = nullptr;
};

WavWriter::WavWriter(const std::string& path, int32_t channels, double sampleRate,
                     const std::string& format)
    : path_(path), file_(std::make_unique<File>()) {
    SF_INFO info{};
    info.samplerate = int(std::lround(sampleRate));
    info.channels = channels;
    int subtype = format == "pcm16"   ? SF_FORMAT_PCM_16
                  : format == "pcm24" ? SF_FORMAT_PCM_24
                                      : SF_FORMAT_FLOAT;
    info.format = SF_FORMAT_WAV | subtype;
    file_->handle = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file_->handle == nullptr) throw HostError(path + ": " + sf_strerror(nullptr));
    // Signals above 10 V stay as they are in a float file; PCM files clip them.
    sf_command(file_->handle, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

WavWriter::~WavWriter() {
    if (file_ && file_->handle) sf_close(file_->handle);
}

void WavWriter::write(const float* interleaved, int64_t frames) {
    if (frames > 0 && sf_writef_float(file_->handle, interleaved, frames) != frames)
        throw HostError(path_ + ": " + sf_strerror(file_->handle));
}

void WavWriter::close() {
    if (file_->handle && sf_close(file_->handle) != 0) {
        file_->handle = nullptr;
        throw HostError(path_ + ": cannot finish the file");
    }
    file_->handle = nullptr;
}

#else

namespace {

[[noreturn]] void unsupported(const std::string& path) {
    throw HostError(path + ": this modhost was built without WAV file support (libsndfile)");
}

}  // namespace

bool wavFilesSupported() {
    return false;
}

WavContents readWavFile(const std::string& path) {
    unsupported(path);
}

struct WavWriter::File {};

WavWriter::WavWriter(const std::string& path, int32_t, double, const std::string&) : path_(path) {
    unsupported(path);
}

WavWriter::~WavWriter() = default;

void WavWriter::write(const float*, int64_t) {}

void WavWriter::close() {}

#endif

}  // namespace modhost
