#include "host/midi_file_check.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "host/plugin_library.h"

namespace modhost {

namespace {

uint32_t bigEndian(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[at + size_t(i)];
    return value;
}

std::string hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// The length a meta event of `type` must have, or -1 when any length will do.
// These are the ones libsmf reads a fixed number of bytes from.
int metaLength(uint8_t type) {
    switch (type) {
        case 0x2F: return 0;  // end of track
        case 0x51: return 3;  // tempo
        case 0x54: return 5;  // SMPTE offset
        case 0x58: return 4;  // time signature
        case 0x59: return 2;  // key signature
        default: return -1;
    }
}

// One track chunk's events, from `pos` to `end` (byte offsets in the file).
class TrackCheck {
public:
    TrackCheck(const std::string& path, const std::vector<uint8_t>& bytes, int track, size_t pos,
               size_t end)
        : path_(path), bytes_(bytes), track_(track), pos_(pos), end_(end) {}

    void run() {
        int status = 0;  // running status: the last channel status, cleared by meta and SysEx
        int64_t time = 0;
        bool ended = false;
        while (pos_ < end_) {
            if (ended) fail(pos_, "bytes follow the end-of-track event");
            size_t start = pos_;
            time += quantity("delta time");
            if (time > std::numeric_limits<int32_t>::max())
                fail(start, "the track's time passes 2147483647 pulses");
            if (pos_ == end_) fail(start, "a delta time with no event after it");
            size_t at = pos_;
            uint8_t first = bytes_[pos_];
            if (first == 0xFF) {
                ++pos_;
                if (pos_ == end_) fail(at, "a meta event cut off before its type");
                uint8_t type = bytes_[pos_++];
                if (type >= 0x80) fail(at, "meta event type " + hex(type) + " is above 0x7F");
                uint32_t length = body("meta event " + hex(type));
                int wanted = metaLength(type);
                if (wanted >= 0 && length != uint32_t(wanted))
                    fail(at, "meta event " + hex(type) + " holds " + std::to_string(length) +
                                 " bytes, it must hold " + std::to_string(wanted));
                if (type == 0x51 && bigEndian(bytes_, pos_, 3) == 0)
                    fail(at, "a tempo of 0 microseconds per quarter note");
                ended = type == 0x2F;
                pos_ += length;
                status = 0;
            } else if (first == 0xF0) {
                ++pos_;
                pos_ += body("SysEx event");
                status = 0;
            } else if (first == 0xF7) {
                fail(at, "escaped (F7) events are not supported");
            } else if (first > 0xF0) {
                fail(at, "status " + hex(first) + " is not an event a file can hold");
            } else {
                if (first >= 0x80) {
                    status = first;
                    ++pos_;
                } else if (status == 0) {
                    fail(at, "data byte " + hex(first) +
                                 " with no status before it (running status needs a channel "
                                 "message just before)");
                }
                size_t data = (status & 0xE0) == 0xC0 ? 1 : 2;  // Cn and Dn carry one
                if (end_ - pos_ < data)
                    fail(at, "message " + hex(unsigned(status)) + " is cut off by the track's end");
                for (size_t i = 0; i < data; ++i)
                    if (bytes_[pos_ + i] >= 0x80)
                        fail(pos_ + i, "data byte " + hex(bytes_[pos_ + i]) + " of message " +
                                           hex(unsigned(status)) + " has its top bit set");
                pos_ += data;
            }
        }
        if (!ended) fail(end_, "the track does not end with an end-of-track event");
    }

private:
    [[noreturn]] void fail(size_t at, const std::string& what) const {
        throw HostError(path_ + ": track " + std::to_string(track_) + ", byte " +
                        std::to_string(at) + ": " + what);
    }

    // A variable-length quantity: 7 bits a byte, at most 4 bytes.
    uint32_t quantity(const std::string& what) {
        size_t start = pos_;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ == end_) fail(start, what + " cut off by the track's end");
            uint8_t byte = bytes_[pos_++];
            value = value << 7 | (byte & 0x7F);
            if (byte < 0x80) return value;
        }
        fail(start, what + " is longer than 4 bytes");
    }

    // The length of a meta or SysEx event's data, which must lie inside the track.
    uint32_t body(const std::string& what) {
        size_t start = pos_;
        uint32_t length = quantity(what + " length");
        if (length > end_ - pos_)
            fail(start, what + " holds " + std::to_string(length) + " bytes, past the track's end");
        return length;
    }

    const std::string& path_;
    const std::vector<uint8_t>& bytes_;
    int track_;
    size_t pos_;
    size_t end_;
};

std::string chunkName(const std::vector<uint8_t>& bytes, size_t at) {
    std::string name;
    for (size_t i = 0; i < 4; ++i)
        name += bytes[at + i] >= 0x20 && bytes[at + i] < 0x7F ? char(bytes[at + i]) : '?';
    return name;
}

}  // namespace

std::vector<uint8_t> checkMidiFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    auto fail = [&](const std::string& what) { throw HostError(path + ": " + what); };
    // libsmf takes the length as an int.
    if (bytes.size() > size_t(std::numeric_limits<int32_t>::max()))
        fail("larger than 2 GB, too large for a MIDI file");
    if (bytes.size() < 14 || std::memcmp(bytes.data(), "MThd", 4) != 0)
        fail("not a Standard MIDI File: it does not start with an MThd header");
    uint32_t headerLength = bigEndian(bytes, 4, 4);
    if (headerLength < 6)
        fail("the MThd header holds " + std::to_string(headerLength) + " bytes, 6 are needed");
    if (headerLength > bytes.size() - 8) fail("the MThd header runs past the end of the file");
    uint32_t format = bigEndian(bytes, 8, 2), tracks = bigEndian(bytes, 10, 2),
             division = bigEndian(bytes, 12, 2);
    if (format > 2) fail("format " + std::to_string(format) + " is not 0, 1 or 2");
    if (format == 2) fail("format 2 (independent sequences) is not supported");
    if (tracks == 0) fail("the header declares no tracks");
    if (format == 0 && tracks != 1)
        fail("a format 0 file holds one track, the header declares " + std::to_string(tracks));
    if (division & 0x8000)
        fail("times are in SMPTE frames; only pulses per quarter note are supported");
    if (division == 0) fail("the header gives 0 pulses per quarter note");

    std::vector<uint8_t> loadable(bytes.begin(), bytes.begin() + 14);
    loadable[7] = 6;
    uint32_t found = 0;
    size_t pos = 8 + size_t(headerLength);
    while (pos < bytes.size()) {
        size_t left = bytes.size() - pos;
        if (left < 8)
            fail("byte " + std::to_string(pos) + ": " + std::to_string(left) +
                 " stray bytes after the last chunk");
        uint32_t length = bigEndian(bytes, pos + 4, 4);
        if (length > left - 8)
            fail("byte " + std::to_string(pos) + ": chunk \"" + chunkName(bytes, pos) +
                 "\" declares " + std::to_string(length) + " bytes, only " +
                 std::to_string(left - 8) + " remain in the file");
        size_t end = pos + 8 + length;
        if (std::memcmp(&bytes[pos], "MTrk", 4) == 0) {
            TrackCheck(path, bytes, int(++found), pos + 8, end).run();
            loadable.insert(loadable.end(), bytes.begin() + std::ptrdiff_t(pos),
                            bytes.begin() + std::ptrdiff_t(end));
        }
        pos = end;
    }
    if (found != tracks)
        fail("the header declares " + std::to_string(tracks) + " track(s), the file holds " +
             std::to_string(found));
    return loadable;
}

}  // namespace modhost
