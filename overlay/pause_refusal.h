#pragma once

// What the Output log says when time pause is asked for where it is not allowed.

namespace Zo::KV9RudiVeruv {

// The three lines "你无法在下列状态中进行时间暂停：", "1.多人游戏", "2.游戏菜单".
void appendPauseRefusal();

}  // namespace Zo::KV9RudiVeruv
