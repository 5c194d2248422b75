// What the host shows about the module: name, identifier and help text.
#pragma once

namespace midi_bender {

inline constexpr char kModuleName[] = "QV_MIDIBender";
inline constexpr char kModuleId[] = "QV_MIDIBender 1.2+";

inline constexpr char kAboutText[] =
    "QV_MIDIBender v1.2\n"
    "QV Modules, 2026\n"
    "\n"
    "Summary:\n"
    "\tChanges MIDI messages on the fly. Any Note Off, Note On, Polyphonic\n"
    "\tKey Pressure, Control Change, Program Change, Channel Aftertouch or\n"
    "\tPitch Bend message, or RPN or NRPN message sequence, can be changed\n"
    "\tto any other, making substitutions as "
    "specified in a set of rules.\n"
    "\n"
    "Full documentation: www.qv-modules.example/midibender\n"
    "\n"
    "Quick Notes:\n"
    "\n"
    "Rules can be entered using the 10 pins, or in a text file. Rules in a text file should\n"
    "be entered 1 per line.\n"
    "\n"
    "Basic Rule Format - 13 comma-separated values:\n"
    "\n"
    "<Channel In>,<Status In>,<Data1 Min In>,<Data1 Max In>,<Data2 Min In>,<Data2 Max In>,\n"
    "<Pass Message On Flag>,\n"
    "<Channel Out>,<Status Out>,<Data1 Min Out>,<Data1 Max Out>,<Data2 Min Out>,<Data2 Max Out>\n"
    "\n"
    "Example: 1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127\n"
    "\n"
    "This would change positive Pitch Bend messages on Channel 1 into CC05 (Portamento Time) "
    "messages.\n"
    "\n"
    "Channels range from 1 - 16.\n"
    "The following status abbreviations are used: (they are NOT case-sensitive)\n"
    "\tNoteOff\t\tNote Off\n"
    "\tNoteOn\t\tNote On\n"
    "\tKeyAft\t\tPolyphonic Key Pressure\n"
    "\tCtrl\t\tControl Change\n"
    "\tProgChg\t\tProgram Change\n"
    "\tChanAft\t\tChannel Aftertouch\n"
    "\tPitchB\t\tPitch Bend\n"
    "\tRPN\t\tRegistered Parameter Number*\n"
    "\tNRPN\t\tNon-Registered Parameter Number*\n"
    "\n"
    "\t(*Rules that use these codes automatically recognize and/or generate the proper\n"
    "\t  sequences of CC messages, with MSBs and LSBs combined/separated as needed)\n"
    "\n"
    "Data fields range from 0 - 127, except in RPN/NRPNs, where they range from 0 - 16383.\n"
    "Use a 0 in the data2 field for ProgChg and ChanAft messages, which don't use the field.\n"
    "A * in an \"In\" field will match anything; use a * in an \"Out\" field to indicate no "
    "change.\n";

}  // namespace midi_bender
