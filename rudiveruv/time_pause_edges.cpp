#include "rudiveruv/time_pause_edges.h"

namespace Zo::KV9RudiVeruv {

TimePauseEdges g_timePauseEdges;

}  // namespace Zo::KV9RudiVeruv
