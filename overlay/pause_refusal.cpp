#include "overlay/pause_refusal.h"

#include "overlay/output_log.h"

#include <string_view>

namespace Zo::KV9RudiVeruv {

void appendPauseRefusal() {
    for (const std::string_view line :
         {"你无法在下列状态中进行时间暂停：", "1.多人游戏", "2.游戏菜单"}) {
        appendOutputLog(line);
    }
}

}  // namespace Zo::KV9RudiVeruv
