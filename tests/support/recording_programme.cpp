// SPDX-License-Identifier: MIT
#include "support/recording_programme.h"

#include <cstring>

#include "app/shared_state.h"

std::vector<RecordedCall> recordedCalls;

namespace {
void record(const std::string& name) {
    TimelineFlags flags = timelineFlags();
    recordedCalls.push_back(
        {name, flags.sceneMode, flags.slideMode, phase, rotY, elapsed.load(), frameDelta.load(), flashLevel.load()});
}
}  // namespace

ProgrammeOps recordingProgramme() {
    ProgrammeOps ops{};
    ops.beginSlideMode = [] { record("beginSlideMode"); };
    ops.drawSlide = [](int slot) { record("drawSlide " + std::to_string(slot)); };
    ops.loadSlideProjection = [] { record("loadSlideProjection"); };
    ops.setupFlowerScene = [] {
        record("setupFlowerScene");
        return 1;
    };
    ops.drawFlowerFrame = [] {
        record("drawFlowerFrame");
        return 1;
    };
    ops.setupCubePyramidScene = [] {
        record("setupCubePyramidScene");
        return true;
    };
    ops.drawCubePyramidFrame = [] {
        record("drawCubePyramidFrame");
        return true;
    };
    ops.setupScrollerScene = [] {
        record("setupScrollerScene");
        return 1;
    };
    ops.drawScrollerFrame = [] {
        record("drawScrollerFrame");
        return 1;
    };
    ops.deleteOutlineFont = [] { record("deleteOutlineFont"); };
    ops.setupTunnelScene = [] {
        record("setupTunnelScene");
        return 1;
    };
    ops.drawTunnelFrame = [] {
        record("drawTunnelFrame");
        return 1;
    };
    ops.setupMorphScene = [] {
        record("setupMorphScene");
        return 1;
    };
    ops.drawMorphFrame = [] { record("drawMorphFrame"); };
    ops.releaseMorphModels = [] { record("releaseMorphModels"); };
    ops.drawLevelMeter = [](uint32_t) { record("drawLevelMeter"); };
    ops.presentFrame = [] { record("presentFrame"); };
    return ops;
}

std::vector<std::string> recordedNames(bool withDraws) {
    std::vector<std::string> names;
    for (const RecordedCall& call : recordedCalls) {
        bool draw = call.name.rfind("draw", 0) == 0;
        if (withDraws || !draw) names.push_back(call.name);
    }
    return names;
}
