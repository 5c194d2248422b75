#include "parameter_assembler.h"

namespace midi_bender {

namespace {

constexpr int32_t kDataEntryMsb = 6;
constexpr int32_t kDataEntryLsb = 38;
constexpr int32_t kDataIncrement = 96;
constexpr int32_t kDataDecrement = 97;
constexpr int32_t kNrpnLsb = 98;
constexpr int32_t kNrpnMsb = 99;
constexpr int32_t kRpnLsb = 100;
constexpr int32_t kRpnMsb = 101;

bool isParameterController(const RemapMessage& m) {
    if (m.kind != Ctrl) return false;
    switch (m.data1) {
        case kDataEntryMsb:
        case kDataEntryLsb:
        case kDataIncrement:
        case kDataDecrement:
        case kNrpnLsb:
        case kNrpnMsb:
        case kRpnLsb:
        case kRpnMsb: return true;
        default: return false;
    }
}

bool isSelectController(int32_t controller) {
    return controller >= kNrpnLsb && controller <= kRpnMsb;
}

bool isMsbSelect(int32_t controller) {
    return controller == kNrpnMsb || controller == kRpnMsb;
}

int32_t familyOf(int32_t selectController) {
    return selectController <= kNrpnMsb ? Nrpn : Rpn;
}

// 98 and 99 pair up, and 100 and 101.
int32_t partnerOf(int32_t selectController) {
    return isMsbSelect(selectController) ? selectController - 1 : selectController + 1;
}

}  // namespace

void ParameterAssembler::receive(int32_t word, uint32_t time) {
    auto bits = uint32_t(word);
    auto status = int32_t(bits & 0xFF);
    if ((status & 0xF0) == 0xF0) {
        port_.send(time, word);
        return;
    }
    RemapMessage m{status & 0xF0, status & 0x0F, int32_t((bits >> 8) & 0xFF),
                   int32_t((bits >> 16) & 0xFF), time};
    if (pendingCount_ > 0 || isParameterController(m))
        step(m);
    else
        engine_.applyRules(m, false);
}

void ParameterAssembler::step(const RemapMessage& m) {
    if ((seqChannel_ != kNoChannel && seqChannel_ != m.channel) || !isParameterController(m))
        interrupt(m);
    else if (seqKind_ == 0)
        startSequence(m);
    else if (isSelectController(m.data1))
        selectParameter(m);
    else if (m.data1 == kDataEntryMsb || m.data1 == kDataEntryLsb)
        enterData(m);
    else
        stepValue(m);
}

// Whatever is held is let go before the interrupting message; with nothing
// held, a parameter already sent is not sent again.
void ParameterAssembler::interrupt(const RemapMessage& m) {
    if (pendingCount_ > 0) {
        if (assembling_)
            flushAssembled();
        else
            flushPending();
    }
    resetSequence();
    lastController_ = 0;
    engine_.applyRules(m, false);
}

void ParameterAssembler::startSequence(const RemapMessage& m) {
    int32_t ctl = m.data1;
    if (isSelectController(ctl)) {
        seqKind_ = paramKind_ = familyOf(ctl);
        if (isMsbSelect(ctl)) {
            haveParamMsb_ = true;
            paramMsb_ = m.data2;
        } else {
            haveParamLsb_ = true;
            paramLsb_ = m.data2;
        }
        append(m);
    } else {
        // Data Entry or a step without a selected parameter is an ordinary controller.
        engine_.applyRules(m, false);
    }
    if (seqKind_ != 0) seqChannel_ = m.channel;
    lastController_ = ctl;
}

void ParameterAssembler::selectParameter(const RemapMessage& m) {
    int32_t ctl = m.data1;
    int32_t family = familyOf(ctl);
    bool msb = isMsbSelect(ctl);
    if (pendingCount_ > 0) {
        if (assembling_)
            flushAssembled();
        else if (seqKind_ != family || lastController_ == ctl)
            flushPending();
    }
    if (lastController_ == partnerOf(ctl)) {
        paramComplete_ = true;
    } else if (lastController_ == ctl) {
        if (msb ? haveParamLsb_ : haveParamMsb_) paramComplete_ = true;
    } else {
        if (seqKind_ == family)
            resetData();
        else
            resetSequence();
        (msb ? haveParamMsb_ : haveParamLsb_) = true;
    }
    (msb ? paramMsb_ : paramLsb_) = m.data2;
    seqChannel_ = m.channel;
    append(m);
    paramKind_ = seqKind_ = family;
    haveDataMsb_ = haveDataLsb_ = assembling_ = false;
    lastController_ = ctl;
}

// Data Entry MSB and LSB mirror each other: `own` is the byte that arrived.
void ParameterAssembler::enterData(const RemapMessage& m) {
    bool msb = m.data1 == kDataEntryMsb;
    int32_t& own = msb ? dataMsb_ : dataLsb_;
    int32_t& other = msb ? dataLsb_ : dataMsb_;
    bool& haveOwn = msb ? haveDataMsb_ : haveDataLsb_;
    bool haveOther = msb ? haveDataLsb_ : haveDataMsb_;
    int32_t partner = msb ? kDataEntryLsb : kDataEntryMsb;

    if (!haveOther) other = 0;
    if (assembling_) {
        if (pendingCount_ > 0 && lastController_ == m.data1) {
            flushAssembled();
            own = m.data2;
            append(m);
        } else if (lastController_ == partner || haveOther) {
            own = m.data2;
            flushAssembled();
        } else {
            own = m.data2;
            append(m);
        }
    } else if (paramComplete_) {
        assembling_ = true;
        own = m.data2;
        append(m);
    } else {
        flushPending();
        resetSequence();
        engine_.applyRules(m, false);
    }
    haveOwn = true;
    lastController_ = m.data1;
}

void ParameterAssembler::stepValue(const RemapMessage& m) {
    if (pendingCount_ > 0) {
        if (assembling_)
            flushAssembled();
        else if (!paramComplete_)
            flushPending();
    }
    resetData();
    if (paramComplete_) {
        paramKind_ += m.data1 == kDataIncrement ? 1 : 2;
        dataMsb_ = 0;
        dataLsb_ = m.data2;
        flushAssembled();
    } else {
        engine_.applyRules(m, false);
    }
    lastController_ = m.data1;
}

void ParameterAssembler::flushAssembled() {
    RemapMessage assembled{paramKind_, seqChannel_, paramMsb_ * 128 + paramLsb_,
                           dataMsb_ * 128 + dataLsb_, port_.sampleClock()};
    engine_.applyRules(assembled, false);
    pendingCount_ = 0;
    if (paramKind_ == NrpnIncrement || paramKind_ == RpnIncrement) paramKind_ -= 1;
    if (paramKind_ == NrpnDecrement || paramKind_ == RpnDecrement) paramKind_ -= 2;
}

void ParameterAssembler::flushPending() {
    uint32_t now = port_.sampleClock();
    for (int32_t i = 0; i < pendingCount_; ++i) {
        pending_[i].time = now;
        engine_.applyRules(pending_[i], false);
    }
    pendingCount_ = 0;
}

void ParameterAssembler::resetSequence() {
    haveParamMsb_ = haveParamLsb_ = paramComplete_ = false;
    haveDataMsb_ = haveDataLsb_ = assembling_ = false;
    paramKind_ = seqKind_ = pendingCount_ = 0;
    paramLsb_ = paramMsb_ = dataLsb_ = dataMsb_ = 0;
    seqChannel_ = kNoChannel;
    engine_.writer().clearAllCaches();
}

void ParameterAssembler::resetData() {
    haveDataMsb_ = haveDataLsb_ = assembling_ = false;
    dataMsb_ = dataLsb_ = 0;
    engine_.writer().clearDataEntryCaches();
}

// A full buffer lets its held controllers go through the rules first, so a
// long run of selects loses nothing and never writes past the buffer.
void ParameterAssembler::append(const RemapMessage& m) {
    if (pendingCount_ >= kPendingCapacity) flushPending();
    pending_[pendingCount_++] = m;
}

}  // namespace midi_bender
