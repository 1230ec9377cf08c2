// SPDX-License-Identifier: MIT
#include "app/timeline.h"

#include "app/window_handling.h"
#include "platform/window_events.h"

namespace {
Programme programme = realProgramme();

bool sceneMode = false;
bool slideMode = false;

// The title row marks sceneMode although it is a slide. Should both music
// events fall between two frames, the timeline would pass from the title
// straight to a scene row whose flag is already set and the scene would be
// drawn without its set-up. So a scene row also remembers whether its own
// set-up has run: the set-up runs when the flag is false or when the scene
// set-up that ran last was another row's.
int lastSceneSetupRow = 0;

// The scene row whose set-up ran and whose scene no slide has torn down yet.
int pendingTearDownRow = 0;

int lastChosenRow = 0;

void tearDownPendingScene() {
    if (pendingTearDownRow == 0) return;
    const int row = pendingTearDownRow;
    pendingTearDownRow = 0;
    runSceneStep(programme.rows[size_t(row - 1)].scene.tearDown);
}

double rowBound(int row, const TimelineValues& v) {
    const RowBound& bound = programme.rows[size_t(row - 1)].bound;
    switch (bound.from) {
        case RowBoundFrom::start: return v.timelineStart + bound.seconds;
        case RowBoundFrom::startPlusOffset: return v.timelineStart + v.timelineOffset + bound.seconds;
        case RowBoundFrom::offset: return v.timelineOffset + bound.seconds;
    }
    return 0.0;
}
}  // namespace

void setProgramme(const Programme& newProgramme) {
    programme = newProgramme;
    resetTimeline();
}

const Programme& currentProgramme() { return programme; }

int timelineRowCount() { return int(programme.rows.size()); }
int timelineEndRow() { return timelineRowCount() + 1; }

const TimelineRow& timelineRow(int row) { return programme.rows[size_t(row - 1)]; }

const char* timelineRowName(int row) {
    if (row >= 1 && row <= timelineRowCount()) return timelineRow(row).scene.name;
    return row == timelineEndRow() ? "end" : "";
}

double timelineRowEnd(int row, const TimelineValues& values) {
    return row >= 1 && row <= timelineRowCount() ? rowBound(row, values) : 0.0;
}

int chooseTimelineRow(double elapsedSeconds, const TimelineValues& values) {
    for (int row = 1; row <= timelineRowCount(); ++row)
        if (elapsedSeconds < rowBound(row, values)) return row;
    return timelineEndRow();
}

int timelineStep() {
    const int row = chooseTimelineRow(elapsed.load(), loadTimelineValues());
    lastChosenRow = row;
    if (row == timelineEndRow()) {
        // Past the programme: ask the loop to end, every frame until it does.
        postQuit(0);
        return row;
    }
    const Scene& scene = timelineRow(row).scene;
    switch (timelineRow(row).kind) {
        case RowKind::title:
            if (!sceneMode) {
                runSceneStep(scene.setUp);
                sceneMode = true;
                slideMode = false;
                lastSceneSetupRow = 0;
            }
            break;
        case RowKind::slide:
            if (!slideMode) {
                tearDownPendingScene();
                runSceneStep(scene.setUp);
                slideMode = true;
                sceneMode = false;
            }
            break;
        case RowKind::scene:
            if (!sceneMode || lastSceneSetupRow != row) {
                runSceneStep(scene.setUp);
                slideMode = false;
                sceneMode = true;
                lastSceneSetupRow = row;
                pendingTearDownRow = row;
            }
            break;
    }
    runSceneStep(scene.frame);
    return row;
}

void tearDownTimeline() { tearDownPendingScene(); }

TimelineFlags timelineFlags() { return {sceneMode, slideMode}; }

int currentTimelineRow() { return lastChosenRow; }

void resetTimeline() {
    sceneMode = false;
    slideMode = false;
    lastSceneSetupRow = 0;
    pendingTearDownRow = 0;
    lastChosenRow = 0;
}

void resetRun() {
    resetRunState();
    resetTimeline();
    resetWindowEvents();
    releaseHeldKeys();
    for (const TimelineRow& row : programme.rows) runSceneStep(row.scene.reset);
}
