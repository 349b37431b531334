// The vehicle side of the log generator: a point-mass speed profile around a course, a gearbox and
// engine that turn speed into rpm, and the slow channels (temperatures, mixture, pressure, battery).
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "loggen/Track.h"

namespace loggen {

inline constexpr double kGravity = 9.81;
inline constexpr double kPiValue = 3.14159265358979323846;
// Tacho pulses per revolution for the settings 0..8.
inline constexpr std::array<double, 9> kTachoPulses = {1, 2, 3, 4, 5, 6, 8, 10, 12};

// mt19937 with our own uniform and normal draws, so a seed gives the same log on every platform.
class Rng {
  public:
    explicit Rng(std::uint32_t seed) : gen_(seed) {}
    double uniform() { return (double(gen_()) + 0.5) / 4294967296.0; }
    double normal();

  private:
    std::mt19937 gen_;
    bool haveSpare_ = false;
    double spare_ = 0.0;
};

struct Vehicle {
    double mass = 0;                 // kg
    double power = 0;                // W at the wheels
    double dragK = 0;                // N per (m/s)^2
    double rolling = 0;              // m/s^2 of rolling resistance
    double muLat = 0;                // cornering grip, g
    double muTraction = 0;           // driving grip (or wheelie limit), g
    double muBrake = 0;              // braking grip, g
    double topSpeed = 0;             // m/s where power meets drag
    std::vector<double> gearSpeeds;  // m/s at the shift point in each gear, first gear first
    double steerGain = 0;            // steering units (100 = straight) per 1/m of curvature
};

// CAR, BIKE or NORMAL (street car).
Vehicle vehicleFor(int carType);

// How one lap differs from the nominal: grip, power and braking, as factors near 1; and
// optionally one stretch of the lap (a corner) driven with less cornering grip.
struct LapFactors {
    double mu = 1.0;
    double power = 1.0;
    double brake = 1.0;
    double cornerMu = 1.0;                    // grip factor inside the stretch
    double cornerFrom = 0.0, cornerTo = 0.0;  // the stretch, metres into the lap (cornerFrom > cornerTo wraps)

    // Grip factor at `s` metres into the lap.
    double muAt(double s) const {
        if (cornerMu == 1.0) return mu;
        const bool in = cornerFrom <= cornerTo ? s >= cornerFrom && s <= cornerTo : s >= cornerFrom || s <= cornerTo;
        return in ? mu * cornerMu : mu;
    }
};
LapFactors drawLapFactors(Rng& rng, double variation);

// Speed and time along a run of several laps. Grid point i lies at s = (i - perLap) * ds, so the
// first lap (the lead-in, factors[0]) covers s < 0 and s = 0 is the line of the first logged lap;
// time 0 is when the vehicle crosses it.
struct SpeedProfile {
    double ds = 1.0;
    size_t perLap = 0;
    std::vector<double> v;  // m/s
    std::vector<double> t;  // s

    double timeAt(double s) const;
    double distanceAt(double time) const;
    double speedAt(double s) const;
    double accelAt(double s) const;  // longitudinal, m/s^2
};

// Grip-limited cornering with forward (power, traction) and backward (braking) passes over
// factors.size() consecutive laps.
SpeedProfile driveProfile(const Course& course, const Vehicle& vehicle, const std::vector<LapFactors>& factors);

struct EngineSample {
    double rpm = 0;
    double throttle = 0;  // 0..1
    double afRaw = 0;
    double oxygenRaw = 0;
    double pressureRaw = 0;
    double batteryDeciVolt = 0;
    double temp1 = 0;  // deg C
    double temp2 = 0;
};

// Gearbox, engine and the slowly moving channels, stepped once per record.
class EngineState {
  public:
    EngineState(const Vehicle& vehicle, int rpmMax, Rng& rng);
    void start(double speed);
    EngineSample step(double speed, double accel, double powerFactor);

  private:
    double ratio(size_t gear, double speed) const { return speed / vehicle_.gearSpeeds[gear]; }

    const Vehicle& vehicle_;
    Rng& rng_;
    double redline_;
    double idle_;
    double rpmCap_;
    size_t gear_ = 0;
    int sinceShift_ = 0;  // records since the last gear change
    double clock_ = 0;
    double load_ = 0.55;  // slow average of the throttle
    double temp1_ = 0;
    double temp2_ = 0;
    double af_ = 100;
    double oxygen_ = 112;
};

}  // namespace loggen
