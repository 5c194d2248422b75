#include "host/midi_words.h"

#include <cstdio>

namespace modhost {

int midiLength(int32_t message) {
    int status = message & 0xFF;
    if (status >= 0xF8 || status == 0xF6 || status == 0xF7) return 1;
    int kind = status & 0xF0;
    if (kind == 0xC0 || kind == 0xD0 || status == 0xF1 || status == 0xF3) return 2;
    return 3;
}

std::string midiBytes(int32_t message) {
    char text[16];
    int n = midiLength(message);
    int length = std::snprintf(text, sizeof text, "%02X", message & 0xFF);
    for (int b = 1; b < n; ++b)
        length += std::snprintf(text + length, sizeof text - size_t(length), " %02X",
                                (message >> (8 * b)) & 0xFF);
    return text;
}

std::string midiWords(int32_t message) {
    int status = message & 0xFF, d1 = (message >> 8) & 0xFF, d2 = (message >> 16) & 0xFF;
    int channel = (status & 0x0F) + 1;
    char text[96];
    switch (status & 0xF0) {
        case 0x80:
            std::snprintf(text, sizeof text, "Note Off ch %d key %d vel %d", channel, d1, d2);
            break;
        case 0x90:
            std::snprintf(text, sizeof text, "Note On ch %d key %d vel %d", channel, d1, d2);
            break;
        case 0xA0:
            std::snprintf(text, sizeof text, "Key Pressure ch %d key %d value %d", channel, d1, d2);
            break;
        case 0xB0:
            std::snprintf(text, sizeof text, "Control Change ch %d controller %d value %d", channel,
                          d1, d2);
            break;
        case 0xC0:
            std::snprintf(text, sizeof text, "Program Change ch %d program %d", channel, d1 + 1);
            break;
        case 0xD0:
            std::snprintf(text, sizeof text, "Channel Pressure ch %d value %d", channel, d1);
            break;
        case 0xE0:
            std::snprintf(text, sizeof text, "Pitch Bend ch %d value %d", channel,
                          (d2 << 7 | d1) - 8192);
            break;
        default: {
            static const char* const kSystem[16] = {
                "SysEx",       "Time Code",   "Song Position",  "Song Select",
                "System 0xF4", "System 0xF5", "Tune Request",   "End of SysEx",
                "Clock",       "System 0xF9", "Start",          "Continue",
                "Stop",        "System 0xFD", "Active Sensing", "Reset"};
            std::snprintf(text, sizeof text, "%s", kSystem[status & 0x0F]);
        }
    }
    return text;
}

}  // namespace modhost
