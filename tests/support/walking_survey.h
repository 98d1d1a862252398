// Console readings that look like a walk over a field: each sensor wanders
// smoothly around its own level, and now and then the array passes over
// something magnetic (a positive peak with a negative lobe, seen by both
// sensors of a console with different strength). Seeded, so a run repeats.
#pragma once
#include <cstdint>
#include <random>
#include <string>

namespace instruments {

class WalkingSurvey {
public:
    // sensors: 1 for a one-sensor console, 2 for a two-sensor one.
    WalkingSurvey(uint32_t seed, int sensors);

    // The next reading of every sensor as a console line ("$PBAR,  75,  62\r\n").
    std::string NextLine();
    // The next readings without the line around them (second is 0 for one sensor).
    void NextReadings(int& first, int& second);

private:
    double Anomaly(double strength);

    std::mt19937 random_;
    int sensors_;
    double level_[2];          // nT, each sensor's own background
    double noise_[2] = {0, 0}; // slowly correlated noise
    double strength_[2] = {1, 1};
    int anomalyLeft_ = 0;      // readings until the array has passed the object
    int anomalyLength_ = 0;
    double anomalyAmplitude_ = 0;
};

}  // namespace instruments
