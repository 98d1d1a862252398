#include "support/walking_survey.h"

#include <cmath>

#include "support/pty_instrument.h"

namespace instruments {

namespace {
constexpr double kNoiseMemory = 0.85;       // how much of the last noise carries into the next reading
constexpr double kNoiseStep = 1.2;          // nT, standard deviation of the new part
constexpr double kAnomalyChance = 1.0 / 150;  // per reading, while no object is under the array
}  // namespace

WalkingSurvey::WalkingSurvey(uint32_t seed, int sensors)
    : random_(seed), sensors_(sensors == 1 ? 1 : 2) {
    std::uniform_real_distribution<double> level(40.0, 120.0);
    level_[0] = level(random_);
    level_[1] = level(random_);
}

// A magnetic object passing under the sensor: a bell-shaped peak followed by
// a smaller opposite lobe, over the anomaly's length in readings.
double WalkingSurvey::Anomaly(double strength) {
    if (anomalyLeft_ <= 0) return 0.0;
    const double x = 2.0 * (anomalyLength_ - anomalyLeft_) / anomalyLength_ - 1.0;  // -1 .. 1
    const double peak = std::exp(-(x / 0.35) * (x / 0.35));
    const double lobe = std::exp(-((x - 0.6) / 0.25) * ((x - 0.6) / 0.25));
    return anomalyAmplitude_ * strength * (peak - 0.35 * lobe);
}

void WalkingSurvey::NextReadings(int& first, int& second) {
    std::normal_distribution<double> step(0.0, kNoiseStep);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (anomalyLeft_ <= 0 && unit(random_) < kAnomalyChance) {
        anomalyLength_ = 10 + static_cast<int>(unit(random_) * 30);
        anomalyLeft_ = anomalyLength_;
        anomalyAmplitude_ = -60.0 + unit(random_) * 310.0;   // mostly positive, up to 250 nT
        strength_[0] = 0.2 + unit(random_) * 0.8;             // the object lies nearer one sensor
        strength_[1] = 0.2 + unit(random_) * 0.8;
    }
    double value[2];
    for (int k = 0; k < sensors_; ++k) {
        noise_[k] = kNoiseMemory * noise_[k] + step(random_);
        level_[k] += 0.02 * step(random_);                    // the background drifts a little
        value[k] = level_[k] + noise_[k] + Anomaly(strength_[k]);
    }
    if (anomalyLeft_ > 0) --anomalyLeft_;
    first = static_cast<int>(std::lround(value[0]));
    second = sensors_ == 2 ? static_cast<int>(std::lround(value[1])) : 0;
}

std::string WalkingSurvey::NextLine() {
    int first = 0, second = 0;
    NextReadings(first, second);
    return sensors_ == 2 ? ConsoleLine(first, second) : ConsoleLine(first);
}

}  // namespace instruments
