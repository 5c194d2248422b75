#include "host/event_trace.h"

#include <cstdio>

#include "host/midi_words.h"

namespace modhost {

namespace {

const char* hostOpName(int32_t opcode) {
    switch (HostOp(opcode)) {
        case HostOp::SetPinStatus: return "SetPinStatus";
        case HostOp::IsPinConnected: return "IsPinConnected";
        case HostOp::GetSampleClock: return "GetSampleClock";
        case HostOp::SendMidi: return "SendMidi";
        case HostOp::GetPinBuffer: return "GetPinBuffer";
        case HostOp::GetBlockStartClock: return "GetBlockStartClock";
        case HostOp::GetTimeInfo: return "GetTimeInfo";
        case HostOp::RequestSleep: return "RequestSleep";
        case HostOp::FillScratchBuffer: return "FillScratchBuffer";
        case HostOp::GetPinCount: return "GetPinCount";
        case HostOp::GetFilePath: return "GetFilePath";
        case HostOp::SendData: return "SendData";
        case HostOp::QueueEvent: return "QueueEvent";
        case HostOp::ProcessRoutineChanged: return "ProcessRoutineChanged";
    }
    return nullptr;
}

const char* panelOpName(int32_t opcode) {
    switch (PanelHostOp(opcode)) {
        case PanelHostOp::SendData: return "PanelSendData";
        case PanelHostOp::SetPinText: return "PanelSetPinText";
        case PanelHostOp::GetPinText: return "PanelGetPinText";
        case PanelHostOp::GetPinValue: return "PanelGetPinValue";
        case PanelHostOp::SetPinValue: return "PanelSetPinValue";
        case PanelHostOp::GetPinWideText: return "PanelGetPinWideText";
    }
    return nullptr;
}

// What the pointer argument means for the calls that pass a time or text in it.
std::string detail(const HostCall& call, bool panel) {
    char text[96] = "";
    int32_t time = int32_t(call.ptr);
    if (panel) {
        if (PanelHostOp(call.opcode) == PanelHostOp::SetPinValue)
            std::snprintf(text, sizeof text, "\topt=%g", double(call.opt));
        return text;
    }
    switch (HostOp(call.opcode)) {
        case HostOp::SetPinStatus: std::snprintf(text, sizeof text, "\ttime=%d", time); break;
        case HostOp::SendMidi:
            std::snprintf(text, sizeof text, "\ttime=%d\t%s", time, midiWords(call.value).c_str());
            break;
        default: break;
    }
    return text;
}

}  // namespace

EventTrace::EventTrace(const std::string& path,
                       std::vector<std::pair<std::string, Instance*>> instances)
    : file_(path), instances_(std::move(instances)), panelWritten_(instances_.size(), 0) {
    file_.line("# when\tinstance\thalf\tcall\tindex\tvalue\tdetail");
}

void EventTrace::write(const std::string& when, const std::string& instance, const char* half,
                       const HostCall& call, bool panel) {
    const char* name = panel ? panelOpName(call.opcode) : hostOpName(call.opcode);
    char head[160];
    if (name)
        std::snprintf(head, sizeof head, "\t%s\tindex=%d\tvalue=%d", name, call.index, call.value);
    else
        std::snprintf(head, sizeof head, "\topcode %d\tindex=%d\tvalue=%d", call.opcode, call.index,
                      call.value);
    file_.line(when + "\t" + instance + "\t" + half + head + detail(call, panel));
}

void EventTrace::flush(const std::string& when) {
    for (size_t i = 0; i < instances_.size(); ++i) {
        auto& [name, instance] = instances_[i];
        for (const HostCall& call : instance->traffic())
            write(when, name, "processing", call, false);
        instance->clearTraffic();
        if (PanelHalf* panel = instance->panel()) {
            const auto& calls = panel->traffic();
            for (size_t k = panelWritten_[i]; k < calls.size(); ++k)
                write(when, name, "panel", calls[k], true);
            panelWritten_[i] = calls.size();
        }
    }
}

}  // namespace modhost
