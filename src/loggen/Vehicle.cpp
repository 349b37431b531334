#include "loggen/Vehicle.h"

#include <algorithm>
#include <cmath>

namespace loggen {

double Rng::normal() {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    const double u1 = uniform();
    const double u2 = uniform();
    const double r = std::sqrt(-2.0 * std::log(u1));
    spare_ = r * std::sin(2.0 * kPiValue * u2);
    haveSpare_ = true;
    return r * std::cos(2.0 * kPiValue * u2);
}

namespace {

double resistance(const Vehicle& veh, double v) { return veh.dragK * v * v / veh.mass + veh.rolling; }

double solveTopSpeed(const Vehicle& veh) {
    double lo = 1.0, hi = 200.0;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (veh.power / (veh.mass * mid) > resistance(veh, mid))
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

void fillGears(Vehicle& veh, int gears, double firstShare) {
    const double top = veh.topSpeed * 1.03;  // top gear just short of the limiter at top speed
    const double step = std::pow(1.0 / firstShare, 1.0 / (gears - 1));
    veh.gearSpeeds.resize(size_t(gears));
    for (int g = 0; g < gears; ++g) veh.gearSpeeds[size_t(g)] = top / std::pow(step, gears - 1 - g);
}

}  // namespace

Vehicle vehicleFor(int carType) {
    Vehicle v;
    const double degPerRad = 180.0 / kPiValue;
    switch (carType) {
        case 1:  // sports bike with rider; traction is really the wheelie limit
            v = {250, 130e3, 0.28, 0.10, 1.05, 0.95, 1.15, 0, {}, 0};
            v.topSpeed = solveTopSpeed(v);
            fillGears(v, 6, 0.40);
            v.steerGain = 1.42 * degPerRad / 30.0 * 100.0;  // wheelbase 1.42 m, 30 deg full scale
            break;
        case 2:  // street car
            v = {1350, 100e3, 0.38, 0.15, 0.90, 0.75, 0.95, 0, {}, 0};
            v.topSpeed = solveTopSpeed(v);
            fillGears(v, 5, 0.25);
            v.steerGain = 2.6 * 16.0 * degPerRad / 180.0 * 100.0;  // ratio 16, 180 deg full scale
            break;
        default:  // light race car
            v = {1200, 220e3, 0.42, 0.12, 1.25, 1.05, 1.30, 0, {}, 0};
            v.topSpeed = solveTopSpeed(v);
            fillGears(v, 6, 0.30);
            v.steerGain = 2.6 * 14.0 * degPerRad / 180.0 * 100.0;  // ratio 14, 180 deg full scale
            break;
    }
    return v;
}

LapFactors drawLapFactors(Rng& rng, double variation) {
    auto draw = [&](double sigma) { return 1.0 + std::clamp(rng.normal() * sigma * variation, -0.05, 0.05); };
    LapFactors f;
    f.mu = draw(0.004);
    f.power = draw(0.01);
    f.brake = draw(0.02);
    return f;
}

SpeedProfile driveProfile(const Course& course, const Vehicle& veh, const std::vector<LapFactors>& factors) {
    SpeedProfile p;
    p.ds = course.spacing;
    p.perLap = course.points.size();
    const size_t n = p.perLap;
    const size_t count = factors.size() * n + 1;
    const double ds = p.ds;
    auto lapOf = [&](size_t i) { return std::min(i / n, factors.size() - 1); };
    auto kappa = [&](size_t i) { return std::abs(course.curvature[i % n]); };
    auto muOf = [&](size_t i) { return veh.muLat * factors[lapOf(i)].muAt(double(i % n) * ds) * kGravity; };

    // Cornering limit first, then what power and brakes allow on the way in and out.
    p.v.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const double mu = muOf(i);
        const double k = kappa(i);
        p.v[i] = k > 1e-9 ? std::min(veh.topSpeed, std::sqrt(mu / k)) : veh.topSpeed;
    }
    auto gripLeft = [&](size_t i, double v) {
        const double mu = muOf(i);
        const double r = std::min(1.0, v * v * kappa(i) / mu);
        return std::sqrt(1.0 - r * r);
    };
    for (size_t i = 0; i + 1 < count; ++i) {
        const double v = p.v[i];
        const LapFactors& f = factors[lapOf(i)];
        const double drive =
            std::min(veh.muTraction * kGravity * gripLeft(i, v), veh.power * f.power / (veh.mass * std::max(v, 1.0)));
        const double a = drive - resistance(veh, v);
        const double next = std::sqrt(std::max(v * v + 2.0 * a * ds, 1.0));
        p.v[i + 1] = std::min(p.v[i + 1], next);
    }
    for (size_t i = count - 1; i > 0; --i) {
        const double v = p.v[i];
        const LapFactors& f = factors[lapOf(i - 1)];
        const double a = veh.muBrake * f.brake * kGravity * gripLeft(i, v) + resistance(veh, v);
        p.v[i - 1] = std::min(p.v[i - 1], std::sqrt(v * v + 2.0 * a * ds));
    }

    p.t.resize(count);
    p.t[0] = 0.0;
    for (size_t i = 0; i + 1 < count; ++i) p.t[i + 1] = p.t[i] + 2.0 * ds / (p.v[i] + p.v[i + 1]);
    const double zero = p.t[n];
    for (double& t : p.t) t -= zero;
    return p;
}

double SpeedProfile::timeAt(double s) const {
    const double u = s / ds + double(perLap);
    const size_t i = std::min(size_t(std::max(0.0, std::floor(u))), t.size() - 2);
    return t[i] + (t[i + 1] - t[i]) * (u - double(i));
}

double SpeedProfile::distanceAt(double time) const {
    const auto it = std::upper_bound(t.begin(), t.end(), time);
    size_t i = it == t.begin() ? 0 : size_t(it - t.begin()) - 1;
    i = std::min(i, t.size() - 2);
    const double f = (time - t[i]) / (t[i + 1] - t[i]);
    return (double(i) + f - double(perLap)) * ds;
}

double SpeedProfile::speedAt(double s) const {
    const double u = s / ds + double(perLap);
    const size_t i = std::min(size_t(std::max(0.0, std::floor(u))), v.size() - 2);
    return v[i] + (v[i + 1] - v[i]) * (u - double(i));
}

double SpeedProfile::accelAt(double s) const {
    const double u = s / ds + double(perLap);
    const size_t i = std::min(size_t(std::max(0.0, std::floor(u))), v.size() - 2);
    return (v[i + 1] * v[i + 1] - v[i] * v[i]) / (2.0 * ds);
}

EngineState::EngineState(const Vehicle& vehicle, int rpmMax, Rng& rng)
    : vehicle_(vehicle),
      rng_(rng),
      redline_(0.92 * rpmMax),
      idle_(std::max(800.0, 0.13 * rpmMax)),
      rpmCap_(std::min(20000.0, double(rpmMax))) {}

void EngineState::start(double speed) {
    gear_ = vehicle_.gearSpeeds.size() - 1;
    while (gear_ > 0 && ratio(gear_ - 1, speed) < 0.85) --gear_;
    temp1_ = 76.0 + 24.0 * load_ + 2.0 * rng_.normal();
    temp2_ = 88.0 + 38.0 * load_ + 3.0 * rng_.normal();
}

EngineSample EngineState::step(double speed, double accel, double powerFactor) {
    constexpr double dt = 0.1;
    const bool braking = accel < -1.5;
    const size_t top = vehicle_.gearSpeeds.size() - 1;
    // Up at the redline; down on the brakes once the lower gear is safe, otherwise only when the
    // engine lugs. A driver needs a moment between shifts, so the rpm trace steps down a braking
    // zone gear by gear instead of hunting.
    ++sinceShift_;
    if (ratio(gear_, speed) > 1.0 && gear_ < top) {
        ++gear_;
        sinceShift_ = 0;
    } else if (gear_ > 0 && sinceShift_ >= 4) {
        const double lower = ratio(gear_ - 1, speed);
        if (braking ? lower < 0.82 : ratio(gear_, speed) < 0.42 && lower < 0.85) {
            --gear_;
            sinceShift_ = 0;
        }
    }

    EngineSample s;
    const double frac = std::min(ratio(gear_, speed), 1.02);
    s.rpm = std::min(rpmCap_, std::max(idle_, frac * redline_) * (1.0 + 0.003 * rng_.normal()));

    if (accel < -0.8) {
        s.throttle = 0.0;
    } else {
        const double need = (accel + vehicle_.dragK * speed * speed / vehicle_.mass + vehicle_.rolling) *
                            vehicle_.mass * std::max(speed, 1.0) / (vehicle_.power * powerFactor);
        s.throttle = std::clamp(need, 0.03, 1.0);
    }

    // Mixture: rich at full throttle, near stoichiometric part-throttle, lean (fuel cut) on the brakes.
    const double afTarget = s.throttle == 0.0 ? 150.0 : s.throttle > 0.85 ? 86.0 : 98.0 + 8.0 * (0.85 - s.throttle);
    const double o2Target = s.throttle == 0.0 ? 200.0 : s.throttle > 0.85 ? 106.0 : 112.0;
    af_ += (afTarget - af_) * 0.5;
    oxygen_ += (o2Target - oxygen_) * 0.5;
    s.afRaw = af_ + rng_.normal();
    s.oxygenRaw = oxygen_ + rng_.normal();
    s.pressureRaw = 30.0 + 160.0 * std::sqrt(s.rpm / redline_) + 1.5 * rng_.normal();
    s.batteryDeciVolt = 138.0 + (s.rpm > 2.2 * idle_ ? 1.0 : -3.0) + 0.4 * rng_.normal();

    // Temperatures follow a slow average of the load and creep up over a session.
    clock_ += dt;
    load_ += (s.throttle - load_) * dt / 20.0;
    const double creep = std::min(6.0, clock_ * 0.01);
    temp1_ += (76.0 + 24.0 * load_ + creep - temp1_) * dt / 45.0;
    temp2_ += (88.0 + 38.0 * load_ + creep - temp2_) * dt / 90.0;
    s.temp1 = temp1_;
    s.temp2 = temp2_;
    return s;
}

}  // namespace loggen
