#pragma once

// The window "贝塞尔曲线检视器": the Bezier timing curve of the animation segment being played,
// one camera channel at a time, with its control points and the last solve's result.

namespace Zo::KV9RudiVeruv {

inline constexpr char kBezierInspectorWindowTitle[] = "贝塞尔曲线检视器";

// Opens and closes its own window, only while the current profile's animation time lies in a
// Bezier-timed segment. The caller holds g_stateMutex.
void drawBezierInspectorWindow();

}  // namespace Zo::KV9RudiVeruv
