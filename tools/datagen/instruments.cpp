// SPDX-License-Identifier: MIT
#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;
// Playback rates of the Amiga's PAL clock at C-2 (period 428) and C-3 (214).
constexpr double rateC2 = 3546894.6 / 428.0;
constexpr double rateC3 = 3546894.6 / 214.0;

// Deterministic white noise in [-1, 1].
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return double(state_ >> 8) / double(1u << 23) - 1.0;
    }

private:
    uint32_t state_;
};

// One-pole filters for shaping noise.
struct LowPass {
    double k, y = 0;
    explicit LowPass(double cutoff, double rate) : k(1.0 - std::exp(-2.0 * pi * cutoff / rate)) {}
    double operator()(double x) { return y += k * (x - y); }
};

struct HighPass {
    LowPass low;
    explicit HighPass(double cutoff, double rate) : low(cutoff, rate) {}
    double operator()(double x) { return x - low(x); }
};

// Scales to the full 8-bit range (peak 127) and quantises; lengths are
// kept even, as the format counts in words.
std::vector<int8_t> toPcm(std::vector<double> wave, double peakLevel = 1.0) {
    if (wave.size() % 2) wave.push_back(0.0);
    double peak = 1e-9;
    for (double v : wave) peak = std::max(peak, std::fabs(v));
    std::vector<int8_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        pcm[i] = int8_t(std::clamp(std::lround(wave[i] / peak * 127.0 * peakLevel), -127L, 127L));
    return pcm;
}

ModSample oneShot(const char* name, std::vector<double> wave, uint8_t volume) {
    ModSample s;
    s.name = name;
    s.data = toPcm(std::move(wave));
    s.volume = volume;
    return s;
}

// A band-limited periodic waveform of `period` samples from harmonic
// amplitudes (index 1 = fundamental), with phases all zero.
double additive(const std::vector<double>& harmonics, double phase) {
    double v = 0.0;
    for (size_t h = 1; h < harmonics.size(); ++h) v += harmonics[h] * std::sin(2.0 * pi * double(h) * phase);
    return v;
}

std::vector<double> sawHarmonics(int count, double brightness) {
    std::vector<double> h(size_t(count) + 1, 0.0);
    for (int n = 1; n <= count; ++n) h[size_t(n)] = std::pow(brightness, n - 1) / n;
    return h;
}

// ------------------------------------------------------------------ drums

std::vector<double> synthKick() {
    const int length = int(rateC3 * 0.42);
    std::vector<double> w(static_cast<size_t>(length));
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        double frequency = 45.0 + 120.0 * std::exp(-t * 28.0);
        phase += frequency / rateC3;
        double body = std::sin(2.0 * pi * phase) * std::exp(-t * 7.5);
        double click = (i < 60) ? (1.0 - i / 60.0) * 0.5 * std::sin(2.0 * pi * i * 1200.0 / rateC3) : 0.0;
        w[size_t(i)] = std::tanh(1.6 * (body + click));
    }
    return w;
}

std::vector<double> synthSnare() {
    const int length = int(rateC3 * 0.28);
    std::vector<double> w(static_cast<size_t>(length));
    Noise noise(7);
    HighPass hp(900.0, rateC3);
    LowPass lp(6500.0, rateC3);
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        double tone = std::sin(2.0 * pi * 185.0 * t) * std::exp(-t * 30.0) * 0.8;
        double hiss = lp(hp(noise.next())) * std::exp(-t * 14.0) * 1.2;
        w[size_t(i)] = std::tanh(1.4 * (tone + hiss));
    }
    return w;
}

std::vector<double> synthHat(double seconds, double decay, uint32_t seed) {
    const int length = int(rateC3 * seconds);
    std::vector<double> w(static_cast<size_t>(length));
    Noise noise(seed);
    HighPass hp1(5000.0, rateC3), hp2(5000.0, rateC3);
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        // Metallic colour: noise ring-modulated by two square-ish partials.
        double metal =
            (std::sin(2.0 * pi * 5380.0 * t) > 0 ? 1.0 : -1.0) * (std::sin(2.0 * pi * 7130.0 * t) > 0 ? 0.5 : -0.5);
        w[size_t(i)] = hp2(hp1(noise.next() + 0.6 * metal)) * std::exp(-t * decay);
    }
    return w;
}

std::vector<double> synthClap() {
    const int length = int(rateC3 * 0.3);
    std::vector<double> w(static_cast<size_t>(length));
    Noise noise(21);
    HighPass hp(1100.0, rateC3);
    LowPass lp(5000.0, rateC3);
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        // Three quick bursts, then the room.
        double envelope = 0.0;
        for (double start : {0.0, 0.011, 0.022})
            if (t >= start) envelope = std::max(envelope, std::exp(-(t - start) * 180.0));
        envelope = std::max(envelope, 0.55 * std::exp(-(t - 0.022) * 16.0) * (t > 0.022));
        w[size_t(i)] = lp(hp(noise.next())) * envelope;
    }
    return w;
}

std::vector<double> synthTom() {
    const int length = int(rateC3 * 0.4);
    std::vector<double> w(static_cast<size_t>(length));
    double phase = 0.0;
    Noise noise(3);
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        phase += (110.0 + 70.0 * std::exp(-t * 12.0)) / rateC3;
        w[size_t(i)] = std::tanh(
            1.3 * (std::sin(2.0 * pi * phase) * std::exp(-t * 7.0) + 0.15 * noise.next() * std::exp(-t * 60.0)));
    }
    return w;
}

// The accent: a crash cymbal with a thump under its attack, so that it
// lands like a hit on the downbeat rather than a wash.
std::vector<double> synthCrash() {
    const int length = int(rateC3 * 1.9);
    std::vector<double> w(static_cast<size_t>(length));
    Noise noise(99);
    HighPass hp(2600.0, rateC3);
    LowPass lp(7400.0, rateC3);
    static const double partials[] = {3110.0, 4270.0, 5330.0, 6190.0, 7020.0};
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        double metal = 0.0;
        for (double f : partials) metal += std::sin(2.0 * pi * f * t + f) > 0.0 ? 0.2 : -0.2;
        double wash = lp(hp(noise.next() * 0.9 + metal * 0.5));
        double envelope = std::exp(-t * 2.2) * (1.0 - std::exp(-t * 900.0)) + 0.6 * std::exp(-t * 30.0);
        phase += (50.0 + 90.0 * std::exp(-t * 30.0)) / rateC3;
        double thump = std::sin(2.0 * pi * phase) * std::exp(-t * 9.0);
        w[size_t(i)] = std::tanh(1.5 * (wash * envelope * 1.3 + 0.8 * thump));
    }
    return w;
}

// A low impact for the drop: a falling sine with a burst of noise.
std::vector<double> synthBoom() {
    const int length = int(rateC3 * 1.5);
    std::vector<double> w(static_cast<size_t>(length));
    Noise noise(5);
    LowPass lp(1800.0, rateC3);
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        double t = i / rateC3;
        phase += (38.0 + 80.0 * std::exp(-t * 6.0)) / rateC3;
        double body = std::sin(2.0 * pi * phase) * std::exp(-t * 2.6);
        double burst = lp(noise.next()) * std::exp(-t * 10.0);
        w[size_t(i)] = std::tanh(1.8 * (body + 0.7 * burst));
    }
    return w;
}

// A rising noise sweep that swells for five seconds into the drop
// (recorded at the rate of C-2).
std::vector<double> synthRiser() {
    const double seconds = 5.0;
    const int length = int(rateC2 * seconds);
    std::vector<double> w(static_cast<size_t>(length));
    Noise noise(13);
    double low = 0.0, band = 0.0;
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        double t = i / rateC2;
        double progress = t / seconds;
        // A resonant state-variable filter whose centre climbs.
        double centre = 200.0 * std::pow(16.0, progress);
        double f = 2.0 * std::sin(pi * centre / rateC2);
        double input = noise.next();
        low += f * band;
        double high = input - low - 0.35 * band;
        band += f * high;
        phase += (110.0 * std::pow(4.0, progress)) / rateC2;
        double tone = std::sin(2.0 * pi * phase) * 0.25;
        w[size_t(i)] = (band * 0.8 + tone) * (0.08 + 0.92 * progress * progress);
    }
    return w;
}

// -------------------------------------------------------------- pitched

// Bass: a bright attack of a few cycles that mellows into the looped last
// cycle (a filter envelope baked into the sample). 128-byte cycle.
ModSample synthBass() {
    const int period = 128, attackCycles = 14;
    std::vector<double> w;
    for (int c = 0; c <= attackCycles; ++c) {
        double brightness = 0.62 + 0.26 * std::exp(-c / 4.0);
        std::vector<double> h = sawHarmonics(28, brightness);
        h[1] += 0.7;  // weight in the fundamental
        for (int i = 0; i < period; ++i) w.push_back(additive(h, double(i) / period));
    }
    ModSample s;
    s.name = "bass";
    s.data = toPcm(w);
    s.volume = 40;
    s.loopStart = uint32_t(attackCycles * period);
    s.loopLength = uint32_t(period);
    return s;
}

// Lead: a pulse whose width sways over a 64-cycle loop (a slow, singing
// shimmer), after a short brighter attack. 32-byte cycle.
ModSample synthLead() {
    const int period = 32, attackCycles = 8, loopCycles = 64;
    std::vector<double> w;
    auto pulseCycle = [&](double duty, double brightness) {
        std::vector<double> h(16, 0.0);
        for (int n = 1; n < 16; ++n) h[size_t(n)] = std::sin(pi * n * duty) / n * std::pow(brightness, n - 1);
        for (int i = 0; i < period; ++i) w.push_back(additive(h, double(i) / period));
    };
    for (int c = 0; c < attackCycles; ++c) pulseCycle(0.5, 0.92);
    for (int c = 0; c < loopCycles; ++c) pulseCycle(0.32 + 0.14 * std::cos(2.0 * pi * c / loopCycles), 0.86);
    ModSample s;
    s.name = "lead";
    s.data = toPcm(w);
    s.volume = 44;
    s.loopStart = uint32_t(attackCycles * period);
    s.loopLength = uint32_t(loopCycles * period);
    return s;
}

// A whole chord in one sample: every voice completes a whole number of
// cycles within the loop (so it joins seamlessly), each doubled by a
// voice one cycle faster for a slow chorus. The root repeats every 64
// bytes; `cycles` are the voices' cycle counts over the loop.
ModSample synthChord(const char* name, const std::vector<int>& cycles, int loopLength) {
    const int attack = 256;
    std::vector<double> harmonics = {0.0, 1.0, 0.42, 0.22, 0.12, 0.06, 0.03};
    std::vector<double> w;
    for (int i = 0; i < attack + loopLength; ++i) {
        double phase = double(i % loopLength) / loopLength;
        double v = 0.0;
        for (int c : cycles) {
            v += additive(harmonics, std::fmod(phase * c, 1.0));
            v += 0.8 * additive(harmonics, std::fmod(phase * (c + 1), 1.0) + 0.3);
        }
        double rise = i < attack ? double(i) / attack : 1.0;
        w.push_back(v * rise);
    }
    ModSample s;
    s.name = name;
    s.data = toPcm(w);
    s.volume = 46;
    s.loopStart = uint32_t(attack);
    s.loopLength = uint32_t(loopLength);
    return s;
}

// Pluck: a decaying bright tone, not looped. 32-byte cycle.
ModSample synthPluck() {
    const int period = 32, cycles = 220;
    std::vector<double> w;
    for (int c = 0; c < cycles; ++c) {
        double brightness = 0.55 + 0.35 * std::exp(-c / 12.0);
        std::vector<double> h = sawHarmonics(15, brightness);
        for (int i = 0; i < period; ++i) {
            double t = double(c * period + i) / (cycles * period);
            w.push_back(additive(h, double(i) / period) * std::exp(-t * 5.0));
        }
    }
    ModSample s;
    s.name = "pluck";
    s.data = toPcm(w);
    s.volume = 34;
    return s;
}

// Bell: inharmonic partials over a 16-byte fundamental, ringing out.
ModSample synthBell() {
    const double period = 16.0;
    const int length = 24000;
    static const double ratios[] = {1.0, 2.0, 2.76, 4.07, 5.43};
    static const double levels[] = {1.0, 0.55, 0.35, 0.22, 0.12};
    static const double decays[] = {2.2, 3.5, 5.0, 7.0, 10.0};
    std::vector<double> w(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        double t = i / double(length);
        double v = 0.0;
        for (int p = 0; p < 5; ++p)
            v += levels[p] * std::sin(2.0 * pi * ratios[p] * i / period) * std::exp(-t * decays[p]);
        w[size_t(i)] = v * (1.0 - std::exp(-i / 8.0));
    }
    ModSample s;
    s.name = "bell";
    s.data = toPcm(w);
    s.volume = 38;
    return s;
}

// Chip: a plain square of one 32-byte cycle, for tracker arpeggios.
ModSample synthChip() {
    std::vector<double> w;
    for (int i = 0; i < 32; ++i) w.push_back(i < 16 ? 0.8 : -0.8);
    ModSample s;
    s.name = "chip";
    s.data = toPcm(w, 0.8);
    s.volume = 18;
    s.loopStart = 0;
    s.loopLength = 32;
    return s;
}

}  // namespace

int instrumentOctaveShift(int instrument) {
    switch (instrument) {
        case bass: return 0;  // 128-byte cycle
        case padMinor:
        case padMajor: return 1;  // 64-byte root
        case lead:
        case pluck:
        case chip: return 2;  // 32-byte cycle
        case bell: return 3;  // 16-byte cycle
        default: return -1;   // percussion: not pitched
    }
}

void synthesiseInstruments(ModModule& module) {
    ModSample* s = module.samples;
    s[kick - 1] = oneShot("kick", synthKick(), 64);
    s[snare - 1] = oneShot("snare", synthSnare(), 56);
    s[closedHat - 1] = oneShot("closed hat", synthHat(0.09, 45.0, 31), 30);
    s[openHat - 1] = oneShot("open hat", synthHat(0.45, 7.0, 37), 26);
    s[bass - 1] = synthBass();
    s[lead - 1] = synthLead();
    // Minor triad 10:12:15 and major 4:5:6 over a root of 64 bytes.
    s[padMinor - 1] = synthChord("pad minor", {320, 384, 480}, 64 * 320);
    s[padMajor - 1] = synthChord("pad major", {256, 320, 384}, 64 * 256);
    s[crash - 1] = oneShot("crash", synthCrash(), 60);
    s[pluck - 1] = synthPluck();
    s[bell - 1] = synthBell();
    s[riser - 1] = oneShot("riser", synthRiser(), 44);
    s[boom - 1] = oneShot("boom", synthBoom(), 64);
    s[clap - 1] = oneShot("clap", synthClap(), 48);
    s[tom - 1] = oneShot("tom", synthTom(), 56);
    s[chip - 1] = synthChip();
    static const char* message[] = {"",
                                    "glimmervandra",
                                    "a wander through",
                                    "glimmering things",
                                    "",
                                    "every sample here was",
                                    "synthesised by code,",
                                    "every note composed",
                                    "as data.",
                                    "",
                                    "A minor, 96 bpm",
                                    "four channels,",
                                    "four minutes.",
                                    "",
                                    "thanks for listening"};
    for (int i = 16; i < 31; ++i) s[i].name = message[i - 16];
}
