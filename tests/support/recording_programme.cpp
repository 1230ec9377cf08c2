// SPDX-License-Identifier: MIT
#include "support/recording_programme.h"

#include "state/run_state.h"

std::vector<RecordedCall> recordedCalls;

namespace {
void record(const std::string& name) {
    TimelineFlags flags = timelineFlags();
    recordedCalls.push_back(
        {name, flags.sceneMode, flags.slideMode, phase, rotY, elapsed.load(), frameDelta.load(), flashLevel.load()});
}
}  // namespace

Programme recordingProgramme() {
    Programme programme = realProgramme();
    for (TimelineRow& row : programme.rows) {
        const std::string name = row.scene.name;
        row.scene.setUp = [name] { record("set up " + name); };
        row.scene.frame = [name] { record("draw " + name); };
        if (row.scene.tearDown) row.scene.tearDown = [name] { record("tear down " + name); };
        row.scene.reset = nullptr;
    }
    programme.drawMeter = [](uint32_t) { record("draw meter"); };
    programme.presentFrame = [] { record("present"); };
    return programme;
}

std::vector<std::string> recordedNames(bool withDraws) {
    std::vector<std::string> names;
    for (const RecordedCall& call : recordedCalls) {
        bool draw = call.name.rfind("draw", 0) == 0;
        if (withDraws || !draw) names.push_back(call.name);
    }
    return names;
}
