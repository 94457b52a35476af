#pragma once

// Bezier timing of one camera channel: cubic curves in the plane (value, time) whose point for
// a given time is found by bisection of the curve parameter.

#include "overlay/camera_profile.h"

#include <array>
#include <ostream>

namespace Zo::KV9RudiVeruv {

// Writes "[t=<t>, v=<v>]" with the stream's own float formatting.
std::ostream& operator<<(std::ostream& stream, const CurveKey& key);

// points[0] to points[3] are P0 to P3; `point` receives the curve point at parameter s.
void evaluateCubicBezier(const std::array<CurveKey, 4>& points, CurveKey& point, float s);

// The inner control points of the segment start -> end: c1 leaves start in the direction
// pre -> end, c2 comes into end in the direction start -> post, each by half the length that
// half the segment projects onto its direction. A missing neighbour is passed as the segment's
// own end point.
void placeInnerControlPoints(const CurveKey& pre, const CurveKey& start, const CurveKey& end,
                             const CurveKey& post, CurveKey& c1, CurveKey& c2);

// The channel's value at time `target` on the profile's segment bezierStart, bezierC1,
// bezierC2, bezierEnd, recorded in bezierResults[channel] with the bisection step (0 to 63)
// that met the tolerance. When all 64 steps miss it, it logs a yellow line, records
// {0, 0, -1} and gives the end keyframe's value.
float solveBezierSegment(CameraProfile& profile, int channel, float target);

}  // namespace Zo::KV9RudiVeruv
