// The binary contract between a plug-in library and the Wirescape host.
//
// Every record below is a plain fixed-layout structure that crosses the
// library boundary. The contract is defined for 32-bit x86 (little-endian,
// 32-bit ints, pointers and IEEE floats, cdecl calls). On x86-64 the same
// records use this fixed mapping:
//   - every field or argument that holds an address is pointer-wide: text
//     pointers, `variable`, `hostPtr`, `object`, the three entries of
//     ModuleRecord, the PanelRecord dispatcher, ModuleEvent `extra` and
//     `link`, the `ptr` argument, and the result of HostCallback and of both
//     record dispatchers (intptr_t, since several opcodes return addresses);
//   - every other field and argument stays 32-bit (opcode, index, value are
//     int32, opt is float, every reserved word is int32);
//   - natural C alignment, fields in the order given, no packing;
//   - a time stamp passed in `ptr` is the int32 sample clock sign-extended to
//     intptr_t, and narrowed back to int32 by the receiver;
//   - panel wide text is made of 16-bit units (char16_t).
// The static_asserts at the end pin every size and offset for both widths.
#pragma once

#include <cstddef>
#include <cstdint>

#define MODFRAME_EXPORT __attribute__((visibility("default")))

// Interface revisions a library may follow (ModuleDescriptor::interfaceVersion).
enum class InterfaceRevision : int32_t {
    Rev2120 = 2120,  // no panel-side pins, no deferred calls
    Rev2190 = 2190,
    Rev2230 = 2230,
};

// Opcodes the host sends to a ModuleRecord dispatcher.
enum class DispatchOp : int32_t {
    Open = 0,                  // build plugs, select the first routine; returns 0
    Close = 1,                 // close and destroy the object; returns 1
    SetSampleRate = 2,         // opt: samples per second; returns 0
    SetBlockSize = 3,          // value: samples per block; returns 0
    GetPinProperties = 6,      // index: listing index, ptr: PinProperties*; 1 if listed
    Opcode8 = 8,               // index: passed to onOpcode8Index when > 0; returns 0
    ReceiveData = 12,          // value, index, ptr: data message from the panel half
    QueryProcessRoutine = 13,  // returns the address of the RoutineQuery record
};

// Opcodes a processing object passes to HostCallback. "pin" is a plug index.
enum class HostOp : int32_t {
    SetPinStatus = 0,            // index: pin, value: PinStatus, ptr: time of change
    IsPinConnected = 1,          // index: pin; nonzero when connected
    GetSampleClock = 3,          // the current sample clock
    SendMidi = 4,                // index: MIDI pin, value: packed message, ptr: time
    GetPinBuffer = 7,            // index: pin; address of its float sample buffer
    GetBlockStartClock = 8,      // index: pin; sample clock of element 0 of its buffer
    GetTimeInfo = 9,             // value: 1536; address of the time record, or 0
    RequestSleep = 10,           // no further work until an event arrives
    FillScratchBuffer = 11,      // ptr: a 100-byte buffer the host may fill
    GetPinCount = 14,            // pins of the processing object as the host counts them
    GetFilePath = 16,            // index: FileName pin, value: buffer size, ptr: buffer
    SendData = 17,               // index: byte count incl. NUL, ptr: bytes for the panel
    QueueEvent = 19,             // ptr: ModuleEvent to hand back later; host copies it
    ProcessRoutineChanged = 22,  // the record's `process` entry has changed
};

// Opcodes the host sends to a PanelRecord dispatcher.
enum class PanelOp : int32_t {
    Open = 0,         // index 1: keep the pins' values; anything else: write initial values
    Close = 1,        // close and destroy the object; returns 1
    Opcode2 = 2,      // index, ptr
    Opcode3 = 3,      // ptr, opt bits, {index, value}
    Opcode4 = 4,      // ptr, opt bits, {index, value}
    Opcode5 = 5,      // ptr, opt bits, {index, value}
    ReceiveData = 6,  // index: byte count incl. NUL, ptr: bytes from the processing half
    PinChanged = 7,   // index: listing index of the pin whose value changed
    Opcode8 = 8,      // ptr
    Opcode9 = 9,      // ptr
    Opcode10 = 10,    // returns 0 or 1
    Opcode11 = 11,    // index
    Opcode12 = 12,    // index
};

// Opcodes a panel object passes to HostCallback. "pin" is a listing index,
// counting every pin of the module.
enum class PanelHostOp : int32_t {
    SendData = 2,         // index: byte count incl. NUL, ptr: bytes for the processing half
    SetPinText = 6,       // index: pin, ptr: NUL-terminated text (never null)
    GetPinText = 7,       // index: pin; address of the host's NUL-terminated text
    GetPinValue = 14,     // index: pin, ptr: 4-byte cell the host fills with the value
    SetPinValue = 15,     // index: pin, value: bool/int/enum value, opt: float value
    GetPinWideText = 17,  // index: pin; value 0, ptr null: returns the unit count n
                          // (with the NUL); value n, ptr: buffer of n char16_t units
};

enum class PinDirection : int32_t {
    In = 0,
    Out = 1,
    Parameter = 3,  // a setting from the host's property sheet, read like an input
};

// Kind of a pin; the comment names the type of the member `variable` points at.
enum class PinKind : int32_t {
    Enum = 0,   // int16: value of the chosen item
    Text = 1,   // const char*: NUL-terminated text kept current by the host
    Midi = 2,   // no member: MIDI arrives as events, leaves through SendMidi
    Bool = 4,   // uint8: 0 or 1
    Audio = 5,  // float*: the pin's block buffer
    Float = 6,  // float
    Int = 8,    // int32
};

// Bits of PinProperties::flags. The framework tests AutoDuplicate, PanelSide
// and VisibleToProcessing; the other bits are declarations to the host.
enum class PinFlag : int32_t {
    Bit02 = 0x2,
    AutoDuplicate = 0x8,  // extra pins counted by the host repeat the last pin
    FileName = 0x10,      // a Text pin naming a file; kindExtra is its extension
    Bit100 = 0x100,
    Bit200 = 0x200,
    PanelSide = 0x400,             // belongs to the panel half: no plug on the processing side
    VisibleToProcessing = 0x8000,  // with PanelSide: the processing side gets a plug anyway
    Bit10000 = 0x10000,
    Bit20000 = 0x20000,
};

constexpr int32_t operator|(PinFlag a, PinFlag b) {
    return int32_t(a) | int32_t(b);
}
constexpr bool hasFlag(int32_t flags, PinFlag f) {
    return (flags & int32_t(f)) != 0;
}

enum class PinStatus : int32_t {
    Static = 0,     // the value does not change
    OneOff = 1,     // the value changed once, at the reported time
    Streaming = 2,  // the value may change at every sample; 2 or more means streaming
};

enum class EventType : int32_t {
    PinStatusChange = 0,  // value: new PinStatus, extra: plug index
    Midi = 2,             // value: packed MIDI message, value2: low 16 bits passed on
    DeferredCall = 21,    // extra: DeferredEntry to call on the object
};

// Packed MIDI message: status byte in bits 0-7, data 1 in bits 8-15, data 2 in
// bits 16-23, bits 24-31 zero.
constexpr int32_t packMidi(int status, int data1, int data2) {
    return (status & 0xFF) | ((data1 & 0xFF) << 8) | ((data2 & 0xFF) << 16);
}

extern "C" {

// Host callback and both record dispatchers share one signature: the record
// address, opcode, index, value, a pointer argument and a float argument.
typedef intptr_t (*HostCallback)(void* record, int32_t opcode, int32_t index, int32_t value,
                                 void* ptr, float opt);
typedef HostCallback RecordDispatcher;
typedef void (*ProcessEntry)(void* object, int32_t offset, int32_t count);
struct ModuleEvent;
typedef void (*EventEntry)(void* object, ModuleEvent* event);
typedef void (*DeferredEntry)(void* object);  // a module operation without arguments

// Filled by getModuleProperties. The host owns it; texts are static library text.
struct ModuleDescriptor {
    const char* name;          // display name
    const char* id;            // identifying text; may equal the name
    const char* about;         // lines separated by "\n"
    int32_t flags2;            // 0x40 in some modules; otherwise left as the host passed it
    int32_t flags;             // 0x100 in some modules; otherwise left as the host passed it
    int32_t interfaceVersion;  // an InterfaceRevision value
};

// Embedded in every processing object; makeModule(…, 1, …) returns its address.
struct ModuleRecord {
    int32_t stamp;                // build constant of the library; never read by the module
    int32_t recordVersion;        // 1
    void* hostPtr;                // fourth argument of makeModule, stored untouched
    void* object;                 // the processing object containing this record
    int32_t reserved0;            // 0
    RecordDispatcher dispatcher;  // receives this record's address; fixed for life
    ProcessEntry process;         // current process routine; receives `object`
    EventEntry event;             // event entry; receives `object`; fixed for life
    int32_t reserved[4];          // 0
};

// Description of one pin; the asker supplies it zeroed.
struct PinProperties {
    void* variable;  // module member holding the value; null for MIDI pins
    PinDirection direction;
    PinKind kind;
    const char* name;          // label
    const char* defaultValue;  // default as text, or null
    const char* kindExtra;     // Enum: "a,b=5,c" item list; FileName Text: extension
    int32_t flags;             // PinFlag bits
    int32_t reserved;          // never written; 0
};

// An event handed to the event entry, or queued with HostOp::QueueEvent.
struct ModuleEvent {
    int32_t time;  // sample clock at which the event applies
    EventType type;
    int32_t value;   // PinStatusChange: PinStatus; Midi: packed message
    int32_t value2;  // Midi: low 16 bits passed on to the module
    intptr_t extra;  // PinStatusChange: plug index; DeferredCall: DeferredEntry
    void* link;      // 0 when queued by a module; the host's own use
};

// The current routine of a processing object: entry and three zero binding words.
struct ProcessRoutine {
    ProcessEntry entry;
    int32_t binding[3];
};

// Answer to DispatchOp::QueryProcessRoutine; one static record per library.
struct RoutineQuery {
    int32_t one;                    // 1
    int32_t routineSize;            // 16, the routine record's size on the 32-bit interface
    const ProcessRoutine* routine;  // the asking object's current routine
    int32_t zero;                   // 0
};

constexpr int32_t kPanelRecordMagic = 0x5A4F4C4B;  // "ZOLK"

// Embedded in every panel object; makeModule(…, 2, …) returns its address.
struct PanelRecord {
    int32_t magic;                // kPanelRecordMagic
    int32_t recordVersion;        // 1
    RecordDispatcher dispatcher;  // shared by all panel objects; finds the object via `object`
    void* hostPtr;                // fourth argument of makeModule, stored untouched
    void* object;                 // the panel object containing this record
    int32_t reserved[5];          // 0
};

// The host's time and transport record (HostOp::GetTimeInfo). Host-owned and
// read during the call only; the words not named here are the host's own.
struct TimeInfo {
    double hostReserved0[3];
    double ppqPosition;  // musical position in beats at element 0 of the block
    double tempo;        // beats per minute
    int32_t hostReserved1[11];
    int32_t flags;  // kTransportRunning when the transport runs
};

constexpr int32_t kTransportRunning = 0x2;
constexpr int32_t kTimeInfoRequest = 1536;  // value passed with HostOp::GetTimeInfo

// The two entries every plug-in library exports, and nothing else.
// Fills `descriptor` for index 0 and returns 1; returns 0 for any other index.
MODFRAME_EXPORT int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept;
// Kind 1: the processing object, kind 2: the panel object. Returns the address
// of the record inside the new object, or null.
MODFRAME_EXPORT void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                                 void* hostPtr) noexcept;

}  // extern "C"

namespace modframe::layout {
// The size or offset a record must have in a build of this pointer width.
constexpr std::size_t forWidth(std::size_t at32, std::size_t at64) {
    return sizeof(void*) == 4 ? at32 : at64;
}
}  // namespace modframe::layout

#define MODFRAME_LAYOUT(type, size32, size64) \
    static_assert(sizeof(type) == modframe::layout::forWidth(size32, size64), #type " size")
#define MODFRAME_OFFSET(type, field, off32, off64)                                   \
    static_assert(offsetof(type, field) == modframe::layout::forWidth(off32, off64), \
                  #type "." #field " offset")

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "32-bit or 64-bit builds only");
static_assert(sizeof(float) == 4 && sizeof(double) == 8, "IEEE single and double precision");
static_assert(sizeof(PinDirection) == 4 && sizeof(PinKind) == 4 && sizeof(EventType) == 4,
              "enumerations stored in records are 32-bit");

MODFRAME_LAYOUT(ModuleDescriptor, 24, 40);
MODFRAME_OFFSET(ModuleDescriptor, name, 0, 0);
MODFRAME_OFFSET(ModuleDescriptor, id, 4, 8);
MODFRAME_OFFSET(ModuleDescriptor, about, 8, 16);
MODFRAME_OFFSET(ModuleDescriptor, flags2, 12, 24);
MODFRAME_OFFSET(ModuleDescriptor, flags, 16, 28);
MODFRAME_OFFSET(ModuleDescriptor, interfaceVersion, 20, 32);

MODFRAME_LAYOUT(ModuleRecord, 48, 72);
MODFRAME_OFFSET(ModuleRecord, stamp, 0, 0);
MODFRAME_OFFSET(ModuleRecord, recordVersion, 4, 4);
MODFRAME_OFFSET(ModuleRecord, hostPtr, 8, 8);
MODFRAME_OFFSET(ModuleRecord, object, 12, 16);
MODFRAME_OFFSET(ModuleRecord, reserved0, 16, 24);
MODFRAME_OFFSET(ModuleRecord, dispatcher, 20, 32);
MODFRAME_OFFSET(ModuleRecord, process, 24, 40);
MODFRAME_OFFSET(ModuleRecord, event, 28, 48);
MODFRAME_OFFSET(ModuleRecord, reserved, 32, 56);

MODFRAME_LAYOUT(PinProperties, 32, 48);
MODFRAME_OFFSET(PinProperties, variable, 0, 0);
MODFRAME_OFFSET(PinProperties, direction, 4, 8);
MODFRAME_OFFSET(PinProperties, kind, 8, 12);
MODFRAME_OFFSET(PinProperties, name, 12, 16);
MODFRAME_OFFSET(PinProperties, defaultValue, 16, 24);
MODFRAME_OFFSET(PinProperties, kindExtra, 20, 32);
MODFRAME_OFFSET(PinProperties, flags, 24, 40);
MODFRAME_OFFSET(PinProperties, reserved, 28, 44);

MODFRAME_LAYOUT(ModuleEvent, 24, 32);
MODFRAME_OFFSET(ModuleEvent, time, 0, 0);
MODFRAME_OFFSET(ModuleEvent, type, 4, 4);
MODFRAME_OFFSET(ModuleEvent, value, 8, 8);
MODFRAME_OFFSET(ModuleEvent, value2, 12, 12);
MODFRAME_OFFSET(ModuleEvent, extra, 16, 16);
MODFRAME_OFFSET(ModuleEvent, link, 20, 24);

MODFRAME_LAYOUT(ProcessRoutine, 16, 24);
MODFRAME_OFFSET(ProcessRoutine, entry, 0, 0);
MODFRAME_OFFSET(ProcessRoutine, binding, 4, 8);

MODFRAME_LAYOUT(RoutineQuery, 16, 24);
MODFRAME_OFFSET(RoutineQuery, one, 0, 0);
MODFRAME_OFFSET(RoutineQuery, routineSize, 4, 4);
MODFRAME_OFFSET(RoutineQuery, routine, 8, 8);
MODFRAME_OFFSET(RoutineQuery, zero, 12, 16);

MODFRAME_LAYOUT(PanelRecord, 40, 56);
MODFRAME_OFFSET(PanelRecord, magic, 0, 0);
MODFRAME_OFFSET(PanelRecord, recordVersion, 4, 4);
MODFRAME_OFFSET(PanelRecord, dispatcher, 8, 8);
MODFRAME_OFFSET(PanelRecord, hostPtr, 12, 16);
MODFRAME_OFFSET(PanelRecord, object, 16, 24);
MODFRAME_OFFSET(PanelRecord, reserved, 20, 32);

MODFRAME_LAYOUT(TimeInfo, 88, 88);
MODFRAME_OFFSET(TimeInfo, ppqPosition, 24, 24);
MODFRAME_OFFSET(TimeInfo, tempo, 32, 32);
MODFRAME_OFFSET(TimeInfo, flags, 84, 84);

#undef MODFRAME_LAYOUT
#undef MODFRAME_OFFSET
