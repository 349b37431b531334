// Course geometry for the log generator: a closed centre line resampled to even spacing, with the
// heading and curvature a vehicle driving it sees.
#pragma once

#include <string>
#include <vector>

namespace loggen {

struct Point {
    double x = 0.0;  // metres, east
    double y = 0.0;  // metres, north
};

// A closed course. Point i lies at arc length i * spacing from the start line; the line from the
// last point back to point 0 closes the loop. Driving direction is the order of the points.
struct Course {
    std::string name;
    std::vector<Point> points;
    double spacing = 1.0;  // metres between neighbouring points
    double length = 0.0;   // metres, points.size() * spacing
    // Unwrapped heading of the chord from point i to point i + 1, radians counter-clockwise from
    // east. heading.back() + the last turn reaches heading.front() + totalTurn.
    std::vector<double> heading;
    // Signed curvature at point i (1/m, positive = turning left), lightly smoothed; drives the
    // speed limit and the steering, not the logged G (that comes from the heading itself).
    std::vector<double> curvature;
    // Heading change over one lap: -2*pi for a clockwise loop, +2*pi counter-clockwise, 0 for a
    // figure eight.
    double totalTurn = 0.0;

    // Unwrapped heading at arc length s (any real s, also beyond one lap), interpolated between
    // chord midpoints so that it is continuous.
    double headingAt(double s) const;
    // Curvature at arc length s, taken modulo the lap.
    double curvatureAt(double s) const;
    // Centre-line position at arc length s, taken modulo the lap.
    Point positionAt(double s) const;
};

struct CourseResult {
    Course course;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

// Names accepted by builtInCourse(), in a stable order.
std::vector<std::string> builtInCourseNames();

// "oval" or "circuit" (case-insensitive). Unknown names give an error.
CourseResult builtInCourse(const std::string& name);

// Reads "x_m,y_m,..." lines (y north; further columns, blank lines and '#' lines ignored).
CourseResult loadCourseFile(const std::string& path);

// Turns raw centre-line points (closed implicitly, first point = start line) into an evenly
// resampled, lightly smoothed course.
CourseResult makeCourse(const std::string& name, const std::vector<Point>& rawPoints, double spacing = 1.0);

// A built-in name, else a path to a centre-line file.
CourseResult resolveCourse(const std::string& nameOrPath);

}  // namespace loggen
