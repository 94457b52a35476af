#include "overlay/keyframe_editor.h"

#include "overlay/coordinate_editor.h"
#include "overlay/finite_input.h"
#include "overlay/label_beside_widget.h"
#include "overlay/nul_padded_text.h"

#include <imgui.h>

#include <boost/format.hpp>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr std::size_t kLabelMinimumSize = 32;
constexpr float kNoKeyframeInEdit = -1.0f;
constexpr float kDeleteKeyframe = -1.0f;
const ImVec4 kReplacingColour(1.0f, 1.0f, 0.0f, 1.0f);

// Old keyframe time -> new time, or kDeleteKeyframe.
using KeyTimeEdits = std::map<float, float>;

bool hasKeyframeAt(const std::map<float, CameraPoint>& animations, float time) {
    const auto found = animations.lower_bound(time);
    return found != animations.end() && found->first == time;
}

// The button of an action that replaces an existing keyframe.
bool drawReplacingButton(const char* label) {
    ImGui::PushStyleColor(ImGuiCol_Text, kReplacingColour);
    ImGui::PushStyleColor(ImGuiCol_Border, kReplacingColour);
    const bool pressed = ImGui::Button(label);
    ImGui::PopStyleColor(2);
    return pressed;
}

void drawTimeInEdit(CameraProfile& profile, float time, KeyTimeEdits& edits) {
    inputFiniteFloat("时间", profile.editTimeInput, "%.3f");
    const float input = profile.editTimeInput;
    const bool pressed = input == time || !hasKeyframeAt(profile.animations, input)
                             ? ImGui::Button("确认")
                             : drawReplacingButton("覆盖");
    if (!pressed) return;
    if (input != time) edits[time] = input;
    profile.editKeyTime = kNoKeyframeInEdit;
}

void drawTime(CameraProfile& profile, float time) {
    const std::string label = (boost::format("时间 %1$.3f") % time).str();
    const bool pressed = drawLabelBesideWidget(label.c_str(), [] {
        ImGui::PushItemWidth(-1.0f);
        const bool modify = ImGui::Button("修改");
        ImGui::PopItemWidth();
        return modify;
    });
    if (pressed) {
        profile.editKeyTime = time;
        profile.editTimeInput = time;
    }
}

// In ascending order of the old time; a move onto an existing keyframe replaces it. A time
// that is not finite never becomes a key: NaN breaks the map's order.
void applyKeyTimeEdits(std::map<float, CameraPoint>& animations, const KeyTimeEdits& edits) {
    for (const auto& [oldTime, newTime] : edits) {
        if (!std::isfinite(newTime)) continue;
        if (newTime >= 0.0f) animations[newTime] = animations[oldTime];
        animations.erase(oldTime);
    }
}

// One keyframe's rows; `number` counts from 1 and scopes the rows' ids.
void drawKeyframeRows(CameraProfile& profile, AnimationKeyframe& keyframe, int number, int count,
                      KeyTimeEdits& edits) {
    auto& [time, point] = keyframe;
    ImGui::Spacing();
    ImGui::PushID(number);
    lengthenWithNul(point.label, kLabelMinimumSize);
    ImGui::InputText("标签", point.label.data(), point.label.size());
    cutToWholeUtf8(point.label);
    if (number < count) ImGui::Checkbox("此坐标后使用贝塞尔曲线", &point.bezierAfter);
    if (profile.editKeyTime == time) {
        drawTimeInEdit(profile, time, edits);
    } else {
        drawTime(profile, time);
    }
    ImGui::SameLine();
    if (ImGui::Button("删除")) edits[time] = kDeleteKeyframe;
    setCoordinate(point, drawCoordinateEditor(coordinateOf(point), "Animation"));
    ImGui::PopID();
    ImGui::Spacing();
    ImGui::Separator();
}

// Lays out the keyframes from the `first`-th (`keyframe`) to the `end`-th, exclusive, all of the
// same height, with the toolkit's list clipper: those in view are laid out, and so is the one
// whose widget has the toolkit's focus (a press on any widget gives it the focus, so a field
// being typed into or a value being dragged stays active while its row is scrolled away); the
// cursor moves past the others.
void drawSameHeightRows(CameraProfile& profile, std::map<float, CameraPoint>::iterator keyframe,
                        int first, int end, KeyTimeEdits& edits) {
    const int count = static_cast<int>(profile.animations.size());
    int index = first;
    ImGuiListClipper clipper;
    clipper.Begin(end - first);
    while (clipper.Step()) {
        std::advance(keyframe, first + clipper.DisplayStart - index);
        const int shownEnd = first + clipper.DisplayEnd;
        for (index = first + clipper.DisplayStart; index < shownEnd; ++index, ++keyframe) {
            drawKeyframeRows(profile, *keyframe, index + 1, count, edits);
        }
    }
}

}  // namespace

void drawKeyframeList(CameraProfile& profile) {
    KeyTimeEdits edits;
    ImGui::Indent();
    std::map<float, CameraPoint>& animations = profile.animations;
    const int count = static_cast<int>(animations.size());
    // The rows that differ in height from the others: the one in edit has a line more for its
    // buttons, the last has no Bezier switch.
    const auto inEdit = animations.find(profile.editKeyTime);
    const int edited = inEdit == animations.end()
                           ? count
                           : static_cast<int>(std::distance(animations.begin(), inEdit));
    const int last = count - 1;
    // Runs of rows of the same height, each up to one of those that differ.
    auto runStart = animations.begin();
    int index = 0;
    for (const int different : {std::min(edited, last), last}) {
        if (index > different) continue;
        drawSameHeightRows(profile, runStart, index, different, edits);
        const auto keyframe = different == edited ? inEdit : std::prev(animations.end());
        drawKeyframeRows(profile, *keyframe, different + 1, count, edits);
        index = different + 1;
        runStart = std::next(keyframe);
    }
    ImGui::Unindent();
    applyKeyTimeEdits(animations, edits);
}

void drawKeyframeAddBlock(CameraProfile& profile, const std::optional<CameraCoordinate>& camera) {
    CameraPoint& point = profile.newKeyPoint;
    ImGui::TextUnformatted("添加新动画坐标");
    lengthenWithNul(point.label, kLabelMinimumSize);
    ImGui::InputText("标签（可选）", point.label.data(), point.label.size());
    cutToWholeUtf8(point.label);
    ImGui::Checkbox("此坐标后使用贝塞尔曲线", &point.bezierAfter);
    inputFiniteFloat("新时间", profile.newKeyTime, "%.3f");
    setCoordinate(point, drawCoordinateEditor(coordinateOf(point), "NewInput"));
    if (camera && ImGui::Button("复制当前坐标")) {
        setCoordinate(point, finiteOr(*camera, coordinateOf(point)));
    }
    if (!profile.animations.empty()) {
        if (camera) ImGui::SameLine();
        if (ImGui::Button("复制最后一个动画坐标")) point = std::prev(profile.animations.end())->second;
        if (ImGui::Button("复制当前动画时间")) profile.newKeyTime = profile.animationTime;
    }
    const bool pressed = hasKeyframeAt(profile.animations, profile.newKeyTime)
                             ? drawReplacingButton("替换现有的动画坐标")
                             : ImGui::Button("添加新的摄像机动画坐标");
    if (!pressed || !std::isfinite(profile.newKeyTime)) return;
    profile.animations[profile.newKeyTime] = point;
    profile.newKeyTime += 1.0f;
    point.label = nextKeyframeLabel(point.label);
}

std::string nextKeyframeLabel(std::string label) {
    cutAtNul(label);
    if (label.empty()) return label;
    char& last = label.back();
    if (last >= '0' && last <= '8') {
        ++last;
    } else {
        label += '2';
    }
    return label;
}

}  // namespace Zo::KV9RudiVeruv
