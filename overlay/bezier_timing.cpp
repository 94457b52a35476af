#include "overlay/bezier_timing.h"

#include "overlay/output_log.h"

#include <boost/format.hpp>

#include <cmath>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr double kTimeTolerance = 0.001;  // seconds
// Sixteen steps serve a segment of up to about 131 s; a longer one needs more of the same
// steps. Only a NaN control point or times that a float cannot separate miss the tolerance in
// all of them.
constexpr int kBisectionSteps = 64;

// `direction` scaled to length 1; the length's square root is taken in double.
CurveKey unitVector(const CurveKey& direction) {
    const float squaredLength = direction.v * direction.v + direction.t * direction.t;
    const float length = static_cast<float>(std::sqrt(static_cast<double>(squaredLength)));
    return CurveKey{direction.v / length, direction.t / length};
}

float dot(const CurveKey& a, const CurveKey& b) { return a.v * b.v + a.t * b.t; }

}  // namespace

std::ostream& operator<<(std::ostream& stream, const CurveKey& key) {
    return stream << "[t=" << key.t << ", v=" << key.v << "]";
}

void evaluateCubicBezier(const std::array<CurveKey, 4>& points, CurveKey& point, float s) {
    const float u = 1.0f - s;
    point.v = u * u * u * points[0].v + 3.0f * u * u * s * points[1].v +
              3.0f * u * s * s * points[2].v + s * s * s * points[3].v;
    point.t = u * u * u * points[0].t + 3.0f * u * u * s * points[1].t +
              3.0f * u * s * s * points[2].t + s * s * s * points[3].t;
}

void placeInnerControlPoints(const CurveKey& pre, const CurveKey& start, const CurveKey& end,
                             const CurveKey& post, CurveKey& c1, CurveKey& c2) {
    const CurveKey half{0.5f * (end.v - start.v), 0.5f * (end.t - start.t)};
    const CurveKey t1 = unitVector(CurveKey{end.v - pre.v, end.t - pre.t});
    const float reach1 = std::fabs(dot(half, t1));
    c1 = CurveKey{start.v + t1.v * reach1 * 0.5f, start.t + t1.t * reach1 * 0.5f};
    const CurveKey t2 = unitVector(CurveKey{post.v - start.v, post.t - start.t});
    const float reach2 = std::fabs(dot(half, t2));
    c2 = CurveKey{end.v - t2.v * reach2 * 0.5f, end.t - t2.t * reach2 * 0.5f};
}

float solveBezierSegment(CameraProfile& profile, int channel, float target) {
    BezierSolveResult& result = profile.bezierResults.at(channel);
    const std::array<CurveKey, 4> points{profile.bezierStart.at(channel),
                                         profile.bezierC1.at(channel),
                                         profile.bezierC2.at(channel),
                                         profile.bezierEnd.at(channel)};
    float lo = 0.0f;
    float hi = 1.0f;
    float s = 0.5f;
    CurveKey point;
    for (int step = 0; step < kBisectionSteps; ++step) {
        evaluateCubicBezier(points, point, s);
        if (static_cast<double>(std::fabs(target - point.t)) < kTimeTolerance) {
            result = BezierSolveResult{point.v, point.t, step};
            return point.v;
        }
        if (target > point.t) {
            lo = s;
        } else {
            hi = s;
        }
        s = (lo + hi) * 0.5f;
    }
    // s is the midpoint that the next step would have tried.
    boost::format line("Bezier calculation failed [%7%]: %1%;%2%;%3%;%4%; %5% -> %6%");
    line % points[0] % points[1] % points[2] % points[3] % target % point % s;
    logMessageCallback(line.str());  // yellow, like the game's messages
    result = BezierSolveResult{0.0f, 0.0f, -1};
    return points[3].v;
}

}  // namespace Zo::KV9RudiVeruv
