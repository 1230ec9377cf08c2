// SPDX-License-Identifier: MIT
#include "app/timeline.h"

#include "app/clock.h"
#include "app/window_handling.h"
#include "assets/ms3d_model.h"
#include "platform/window_events.h"

namespace {
ProgrammeOps ops = programmeOperations();

bool sceneMode = false;
bool slideMode = false;

// The title row marks sceneMode although it is a slide. Should both music
// events fall between two frames, the timeline would pass from the title
// straight to a scene row whose flag is already set and the scene would be
// drawn without its set-up. So a scene row also remembers whether its own
// set-up has run: the set-up runs when the flag is false or when the scene
// set-up that ran last was another row's.
int lastSceneSetupRow = 0;

int lastChosenRow = 0;

// The resize count when a slide last loaded its projection. A size message
// loads the scenes' perspective projection; a slide row showing across one
// (also the title, whose set-up may come before the window's first size
// message) must put its flat projection back or draw nothing visible.
uint32_t slideProjectionAt = 0;

template <typename Op, typename... Args>
void call(Op op, Args... args) {
    if (op) op(args...);
}

void destroyModelA() {
    if (modelA) {
        delete modelA;
        modelA = nullptr;
    }
}

void noteSlideProjection() { slideProjectionAt = viewportChangeCount(); }

// Every slide row draws through here.
void drawSlideRow(int slot) {
    if (slideProjectionAt != viewportChangeCount()) {
        call(ops.loadSlideProjection);
        noteSlideProjection();
    }
    call(ops.drawSlide, slot);
}

// Set-ups of the slide rows: run while slideMode is false.
void enterSlide() {
    call(ops.beginSlideMode);
    noteSlideProjection();
    slideMode = true;
    sceneMode = false;
}

bool sceneSetupDue(int row) { return !sceneMode || lastSceneSetupRow != row; }

void markSceneSetUp(int row) {
    slideMode = false;
    sceneMode = true;
    lastSceneSetupRow = row;
}

// Set-ups of the scene rows, each in its own order: the flower marks its row
// before it sets up, the others after; the last three start from reset
// accumulators, the scroller with its letters' phase at 15.
void setUpFlower(int row) {
    markSceneSetUp(row);
    call(ops.setupFlowerScene);
}

void setUpCubePyramid(int row) {
    call(ops.setupCubePyramidScene);
    markSceneSetUp(row);
}

void setUpScroller(int row) {
    resetAnimationState();
    phase = 15.0f;
    call(ops.setupScrollerScene);
    markSceneSetUp(row);
}

void setUpTunnel(int row) {
    resetAnimationState();
    call(ops.setupTunnelScene);
    markSceneSetUp(row);
}

void setUpMorph(int row) {
    resetAnimationState();
    call(ops.setupMorphScene);
    markSceneSetUp(row);
}

// Frames and tear-downs of the rows, through the programme's operations.
void drawFlower() { call(ops.drawFlowerFrame); }
void drawCubePyramid() { call(ops.drawCubePyramidFrame); }
void drawScroller() { call(ops.drawScrollerFrame); }
void drawTunnel() { call(ops.drawTunnelFrame); }
void drawMorph() { call(ops.drawMorphFrame); }
void deleteFont() { call(ops.deleteOutlineFont); }
void releaseMorph() { call(ops.releaseMorphModels); }

// The programme. Rows 1 and 2 end where the music's events put them; the
// rest count from the second event. The tunnel's planes paint over the
// picture around its cube and leave the rest: it keeps the picture.
// clang-format off
const TimelineRow rows[timelineRowCount] = {
    // name          bound                                   kind            slide tear-down      set-up            frame             keeps picture
    {"title slide",  {RowBoundFrom::start, 0.0},             RowKind::title,  5,   nullptr,       nullptr,          nullptr},
    {"slide 6",      {RowBoundFrom::startPlusOffset, 0.0},   RowKind::slide,  6,   destroyModelA, nullptr,          nullptr},
    {"flower",       {RowBoundFrom::offset, 40.0},           RowKind::scene,  0,   nullptr,       setUpFlower,      drawFlower},
    {"slide 7",      {RowBoundFrom::offset, 60.0},           RowKind::slide,  7,   destroyModelA, nullptr,          nullptr},
    {"cube/pyramid", {RowBoundFrom::offset, 80.0},           RowKind::scene,  0,   nullptr,       setUpCubePyramid, drawCubePyramid},
    {"slide 8",      {RowBoundFrom::offset, 90.0},           RowKind::slide,  8,   nullptr,       nullptr,          nullptr},
    {"scroller",     {RowBoundFrom::offset, 135.0},          RowKind::scene,  0,   nullptr,       setUpScroller,    drawScroller},
    {"slide 9",      {RowBoundFrom::offset, 145.0},          RowKind::slide,  9,   deleteFont,    nullptr,          nullptr},
    {"tunnel",       {RowBoundFrom::offset, 170.0},          RowKind::scene,  0,   nullptr,       setUpTunnel,      drawTunnel,       true},
    {"slide 10",     {RowBoundFrom::offset, 175.0},          RowKind::slide, 10,   nullptr,       nullptr,          nullptr},
    {"morph",        {RowBoundFrom::offset, 190.0},          RowKind::scene,  0,   nullptr,       setUpMorph,       drawMorph},
    {"credits",      {RowBoundFrom::offset, 225.0},          RowKind::slide, 11,   releaseMorph,  nullptr,          nullptr},
};
// clang-format on

double rowBound(int row, const TimelineValues& v) {
    const RowBound& bound = rows[row - 1].bound;
    switch (bound.from) {
        case RowBoundFrom::start: return v.timelineStart + bound.seconds;
        case RowBoundFrom::startPlusOffset: return v.timelineStart + v.timelineOffset + bound.seconds;
        case RowBoundFrom::offset: return v.timelineOffset + bound.seconds;
    }
    return 0.0;
}
}  // namespace

void setProgrammeOps(const ProgrammeOps& newOps) { ops = newOps; }
const ProgrammeOps& currentProgrammeOps() { return ops; }

const TimelineRow& timelineRow(int row) { return rows[row - 1]; }

const char* timelineRowName(int row) {
    if (row >= 1 && row <= timelineRowCount) return rows[row - 1].name;
    return row == timelineEndRow ? "end" : "";
}

double timelineRowEnd(int row, const TimelineValues& values) {
    return row >= 1 && row <= timelineRowCount ? rowBound(row, values) : 0.0;
}

int chooseTimelineRow(double elapsedSeconds, const TimelineValues& values) {
    for (int row = 1; row <= timelineRowCount; ++row)
        if (elapsedSeconds < rowBound(row, values)) return row;
    return timelineEndRow;
}

int timelineStep() {
    const int row = chooseTimelineRow(elapsed.load(), loadTimelineValues());
    lastChosenRow = row;
    if (row == timelineEndRow) {
        // Past the programme: ask the loop to end, every frame until it does.
        postQuit(0);
        return row;
    }
    const TimelineRow& current = rows[row - 1];
    switch (current.kind) {
        case RowKind::title:
            if (!sceneMode) {
                call(ops.beginSlideMode);
                noteSlideProjection();
                sceneMode = true;
                slideMode = false;
                lastSceneSetupRow = 0;
            }
            drawSlideRow(current.slideSlot);
            break;
        case RowKind::slide:
            if (!slideMode) {
                if (current.tearDown) current.tearDown();
                enterSlide();
            }
            drawSlideRow(current.slideSlot);
            break;
        case RowKind::scene:
            if (sceneSetupDue(row)) current.setUp(row);
            current.frame();
            break;
    }
    return row;
}

TimelineFlags timelineFlags() { return {sceneMode, slideMode}; }

int currentTimelineRow() { return lastChosenRow; }

void resetTimeline() {
    sceneMode = false;
    slideMode = false;
    lastSceneSetupRow = 0;
    lastChosenRow = 0;
    slideProjectionAt = viewportChangeCount();
}
