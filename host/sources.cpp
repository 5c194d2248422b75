#include "host/sources.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace modhost {

namespace {

// Samples carry volts times 0.1.
float sampleOf(double volts) {
    return float(volts * 0.1);
}

class PieceSource final : public AudioSource {
public:
    explicit PieceSource(std::vector<Piece> pieces) : pieces_(std::move(pieces)) {}

    void fill(float* out, int64_t start, int32_t frames) override {
        int64_t end = start + frames;
        auto piece = std::upper_bound(pieces_.begin(), pieces_.end(), start,
                                      [](int64_t t, const Piece& p) { return t < p.start; });
        if (piece != pieces_.begin()) --piece;
        // Nobody else writes an input a source feeds: a block that holds the
        // constant already filled in needs no writing.
        bool flat = piece->slope == 0.0 &&
                    (std::next(piece) == pieces_.end() || std::next(piece)->start >= end);
        if (flat && out == constantIn_ && frames <= constantFrames_ &&
            sampleOf(piece->volts) == constant_)
            return;
        constantIn_ = flat ? out : nullptr;
        constantFrames_ = frames;
        constant_ = sampleOf(piece->volts);
        for (int64_t t = start; t < end; ++piece) {
            int64_t stop =
                std::next(piece) == pieces_.end() ? end : std::min(end, std::next(piece)->start);
            float* first = out + (t - start);
            if (piece->slope == 0.0) {
                std::fill(first, out + (stop - start), sampleOf(piece->volts));
            } else {
                for (int64_t s = t; s < stop; ++s)
                    out[s - start] =
                        sampleOf(piece->volts + piece->slope * double(s - piece->start));
            }
            t = stop;
        }
    }

private:
    std::vector<Piece> pieces_;
    const float* constantIn_ = nullptr;  // the buffer that holds `constant_` in its first samples
    int32_t constantFrames_ = 0;
    float constant_ = 0.0f;
};

class Oscillator final : public AudioSource {
public:
    Oscillator(Waveform waveform, double cyclesPerSample, double amplitude, double offset,
               double phase)
        : waveform_(waveform),
          cycles_(cyclesPerSample),
          amplitude_(amplitude),
          offset_(offset),
          phase_(phase) {}

    void fill(float* out, int64_t start, int32_t frames) override {
        switch (waveform_) {
            case Waveform::Sine:
                run(out, start, frames,
                    [](double p) { return std::sin(2.0 * std::numbers::pi * p); });
                break;
            case Waveform::Square:
                run(out, start, frames, [](double p) { return p < 0.5 ? 1.0 : -1.0; });
                break;
            case Waveform::Saw:
                run(out, start, frames, [](double p) { return 2.0 * p - 1.0; });
                break;
            case Waveform::Triangle:
                run(out, start, frames,
                    [](double p) { return p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p; });
                break;
        }
    }

private:
    // The phase is worked out from the sample number, so it never drifts.
    template <typename Shape>
    void run(float* out, int64_t start, int32_t frames, Shape shape) const {
        for (int32_t i = 0; i < frames; ++i) {
            double p = phase_ + double(start + i) * cycles_;
            p -= std::floor(p);
            out[i] = sampleOf(offset_ + amplitude_ * shape(p));
        }
    }

    Waveform waveform_;
    double cycles_, amplitude_, offset_, phase_;
};

class SampleSource final : public AudioSource {
public:
    explicit SampleSource(std::vector<float> samples) : samples_(std::move(samples)) {}

    void fill(float* out, int64_t start, int32_t frames) override {
        int64_t size = int64_t(samples_.size());
        for (int32_t i = 0; i < frames; ++i) {
            int64_t t = start + i;
            out[i] = t < size ? samples_[size_t(t)] : 0.0f;
        }
    }

private:
    std::vector<float> samples_;
};

// Later pieces win over earlier ones that start at the same sample.
std::vector<Piece> settled(const std::vector<Piece>& pieces) {
    std::vector<Piece> out;
    for (const Piece& p : pieces) {
        while (!out.empty() && out.back().start >= p.start) out.pop_back();
        out.push_back(p);
    }
    return out;
}

}  // namespace

std::unique_ptr<AudioSource> makePieceSource(std::vector<Piece> pieces) {
    return std::make_unique<PieceSource>(std::move(pieces));
}

std::unique_ptr<AudioSource> makeOscillator(Waveform waveform, double cyclesPerSample,
                                            double amplitude, double offset, double phase) {
    return std::make_unique<Oscillator>(waveform, cyclesPerSample, amplitude, offset, phase);
}

std::unique_ptr<AudioSource> makeSampleSource(std::vector<float> samples) {
    return std::make_unique<SampleSource>(std::move(samples));
}

std::vector<Piece> piecesOf(const PatchSource& source) {
    std::vector<Piece> pieces;
    switch (source.type) {
        case PatchSource::Type::Breakpoints: {
            const auto& points = source.points;
            pieces.push_back(Piece{0, points.front().second, 0.0});
            for (size_t i = 0; i < points.size(); ++i) {
                auto [t, v] = points[i];
                double slope = 0.0;
                if (!source.steps && i + 1 < points.size() && points[i + 1].first > t)
                    slope = (points[i + 1].second - v) / double(points[i + 1].first - t);
                pieces.push_back(Piece{t, v, slope});
            }
            break;
        }
        case PatchSource::Type::Gate:
            pieces.push_back(Piece{0, source.low, 0.0});
            for (auto [on, off] : source.gates) {
                pieces.push_back(Piece{on, source.high, 0.0});
                pieces.push_back(Piece{off, source.low, 0.0});
            }
            break;
        default: pieces.push_back(Piece{0, source.level, 0.0}); break;
    }
    return settled(pieces);
}

std::vector<TimedStatus> statusesOf(const std::vector<Piece>& pieces) {
    std::vector<TimedStatus> statuses;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Piece& p = pieces[k];
        const Piece* before = k > 0 ? &pieces[k - 1] : nullptr;
        if (p.slope != 0.0) {
            if (!before || before->slope == 0.0)
                statuses.push_back({p.start, PinStatus::Streaming});
        } else if (!before || before->slope != 0.0 || before->volts != p.volts) {
            statuses.push_back({p.start, PinStatus::OneOff});
        }
    }
    return statuses;
}

void Feed::addStatuses(std::vector<TimedStatus> statuses) {
    statuses_ = std::move(statuses);
}

void Feed::addValues(std::vector<TimedValue> values) {
    for (auto& v : values) values_.push_back(std::move(v));
    std::stable_sort(values_.begin(), values_.end(),
                     [](const TimedValue& a, const TimedValue& b) { return a.at < b.at; });
}

void Feed::addMidi(std::vector<TimedMidi> midi) {
    midi_ = std::move(midi);
}

void Feed::feed(int64_t start, int32_t frames) {
    int64_t end = start + frames;
    if (audio_) audio_->fill(instance_.buffer(pin_.plugIndex), start, frames);
    for (; nextStatus_ < statuses_.size() && statuses_[nextStatus_].at < end; ++nextStatus_)
        instance_.queueStatus(pin_.plugIndex, statuses_[nextStatus_].status,
                              statuses_[nextStatus_].at);
    for (; nextValue_ < values_.size() && values_[nextValue_].at < end; ++nextValue_) {
        const TimedValue& v = values_[nextValue_];
        if (pin_.kind == PinKind::Audio)
            instance_.setValue(pin_.plugIndex, v.value.number, v.at);
        else
            instance_.setPin(pin_.listingIndex, v.value, v.at);
    }
    for (; nextMidi_ < midi_.size() && midi_[nextMidi_].at < end; ++nextMidi_)
        instance_.queueMidi(midi_[nextMidi_].message, midi_[nextMidi_].at);
}

}  // namespace modhost
