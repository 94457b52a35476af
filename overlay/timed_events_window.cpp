#include "overlay/timed_events_window.h"

#include "overlay/finite_input.h"
#include "overlay/label_beside_widget.h"
#include "overlay/timed_events.h"
#include "rudiveruv/time_pause_state.h"

#include <boost/format.hpp>
#include <imgui.h>

#include <algorithm>
#include <string>

namespace Zo::KV9RudiVeruv {

namespace {

// How an event's time line reads, and which time it edits.
struct EventWording {
    const char* prefix;
    bool editsGameTime;
    const char* pauseSwitchLabel;
};

constexpr EventWording kFirstEventAtGameTime{"游戏开始后第", true, "启用时停"};
constexpr EventWording kFirstEventOnAnimation{"摄像机动画第", false, "切换时停状态"};
constexpr EventWording kLaterEvent{"第一个事件后第", false, "切换时停状态"};

void drawTitleLine(int index, bool isAddBlock, TimedEventDeleteRequest& request) {
    if (isAddBlock) {
        ImGui::TextUnformatted("添加新的定时事件");
        return;
    }
    const std::string title = (boost::format("定时触发的事件 #%1%") % index).str();
    drawLabelBesideWidget(title.c_str(), [index, &request] {
        if (ImGui::Button("删")) request = TimedEventDeleteRequest{index, true};
        return false;
    });
}

// Only the first event can wait for a game time; the mode follows the sign of gameTime.
void drawModeLine(TimedEvent& event, int index) {
    if (index != 0) {
        event.gameTime = -1.0f;
        return;
    }
    if (ImGui::RadioButton("游戏时间", event.gameTime > 0.0f)) event.gameTime = 1.0f;
    ImGui::SameLine();
    if (ImGui::RadioButton("相对于摄像机动画", event.gameTime <= 0.0f)) event.gameTime = -1.0f;
}

const EventWording& wordingOf(const TimedEvent& event, int index) {
    if (index != 0) return kLaterEvent;
    return event.gameTime > 0.0f ? kFirstEventAtGameTime : kFirstEventOnAnimation;
}

void drawTimeLine(const EventWording& wording, TimedEvent& event) {
    float& time = wording.editsGameTime ? event.gameTime : event.relativeTime;
    drawLabelBesideWidget(wording.prefix, [&time] {
        ImGui::SetNextItemWidth(-ImGui::CalcTextSize("秒").x);  // the rest of the line
        return inputFiniteFloat("秒##TimeInput", time, "%.2f");
    });
    if (!(event.relativeTime >= 0.0f)) event.relativeTime = 0.0f;  // negative or NaN
}

}  // namespace

void drawTimedEventList(TimedEvent& event, int index, bool isAddBlock,
                        TimedEventDeleteRequest& request) {
    ImGui::PushID(index);
    ImGui::Separator();
    drawTitleLine(index, isAddBlock, request);
    drawModeLine(event, index);
    const EventWording& wording = wordingOf(event, index);
    drawTimeLine(wording, event);
    if (isAddBlock) {
        ImGui::TextUnformatted("抵达目标时间后：");
    } else {
        bool fired = event.fired;  // shown only: a click changes nothing
        ImGui::Checkbox("抵达目标时间后：", &fired);
    }
    ImGui::Indent();
    ImGui::Checkbox(wording.pauseSwitchLabel, &event.willSwitchPause);
    ImGui::Checkbox("切换动画状态", &event.willSwitchAnimation);
    ImGui::Unindent();
    ImGui::PopID();
}

void drawTimedEventsWindowContents() {
    CameraProfile& profile = g_currentProfile;
    std::vector<TimedEvent>& events = profile.timedEvents;
    ImGui::Text("当前游戏时间 %.2f （逻辑帧 %d）", g_gameTime, g_logicFrame);
    ImGui::Text("当前动画时间 %.2f", static_cast<double>(profile.animationTime));

    const auto firedCount =
        std::count_if(events.begin(), events.end(), [](const TimedEvent& e) { return e.fired; });
    bool anyFired = firedCount > 0;
    const std::string firedLabel = (boost::format("%1% 个事件已被触发") % firedCount).str();
    if (ImGui::Checkbox(firedLabel.c_str(), &anyFired)) resetTimedEventRun(profile);

    TimedEventDeleteRequest request;
    for (int index = 0; index < static_cast<int>(events.size()); ++index) {
        drawTimedEventList(events[index], index, false, request);
    }
    if (request.requested) events.erase(events.begin() + request.index);

    ImGui::Separator();
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.75f, 0.75f, 0.75f, 1.0f));
    ImGui::TextWrapped("%s", "添加新的事件");
    ImGui::PopStyleColor();
    drawTimedEventList(profile.newEvent, static_cast<int>(events.size()), true, request);
    if (ImGui::Button("添加")) {
        events.push_back(profile.newEvent);
        profile.newEvent.relativeTime += 1.0f;  // consecutive additions one second apart
    }
}

void drawTimedEventsWindow() {
    if (ImGui::Begin(kTimedEventsWindowTitle)) drawTimedEventsWindowContents();
    ImGui::End();
}

}  // namespace Zo::KV9RudiVeruv
