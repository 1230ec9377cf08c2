#include "app/timeline.h"

#include "app/clock.h"
#include "app/window_procedure.h"
#include "assets/ms3d_model.h"
#include "platform/messages.h"

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

// Bound of each row in seconds of `elapsed`, from the two timeline values.
double rowBound(int row, const TimelineValues& v) {
    switch (row) {
        case 1: return v.timelineStart;
        case 2: return v.timelineStart + v.timelineOffset;
        case 3: return v.timelineOffset + 40.0;
        case 4: return v.timelineOffset + 60.0;
        case 5: return v.timelineOffset + 80.0;
        case 6: return v.timelineOffset + 90.0;
        case 7: return v.timelineOffset + 135.0;
        case 8: return v.timelineOffset + 145.0;
        case 9: return v.timelineOffset + 170.0;
        case 10: return v.timelineOffset + 175.0;
        case 11: return v.timelineOffset + 190.0;
        case 12: return v.timelineOffset + 225.0;
        default: return 0.0;
    }
}

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
}  // namespace

void setProgrammeOps(const ProgrammeOps& newOps) { ops = newOps; }
const ProgrammeOps& currentProgrammeOps() { return ops; }

double timelineRowEnd(int row, const TimelineValues& values) { return rowBound(row, values); }

int chooseTimelineRow(double elapsedSeconds, const TimelineValues& values) {
    for (int row = 1; row <= timelineRowCount; ++row)
        if (elapsedSeconds < rowBound(row, values)) return row;
    return timelineEndRow;
}

int timelineStep() {
    const int row = chooseTimelineRow(elapsed.load(), loadTimelineValues());
    lastChosenRow = row;
    switch (row) {
        case 1:  // title slide
            if (!sceneMode) {
                call(ops.beginSlideMode);
                noteSlideProjection();
                sceneMode = true;
                slideMode = false;
                lastSceneSetupRow = 0;
            }
            drawSlideRow(5);
            break;
        case 2:
            if (!slideMode) {
                destroyModelA();
                enterSlide();
            }
            drawSlideRow(6);
            break;
        case 3:  // wave-grid flower
            if (sceneSetupDue(row)) {
                markSceneSetUp(row);
                call(ops.setupFlowerScene);
            }
            call(ops.drawFlowerFrame);
            break;
        case 4:
            if (!slideMode) {
                destroyModelA();
                enterSlide();
            }
            drawSlideRow(7);
            break;
        case 5:  // cube and pyramid
            if (sceneSetupDue(row)) {
                call(ops.setupCubePyramidScene);
                markSceneSetUp(row);
            }
            call(ops.drawCubePyramidFrame);
            break;
        case 6:
            if (!slideMode) enterSlide();
            drawSlideRow(8);
            break;
        case 7:  // outline-text scroller
            if (sceneSetupDue(row)) {
                resetAnimationState();
                phase = 15.0f;
                call(ops.setupScrollerScene);
                markSceneSetUp(row);
            }
            call(ops.drawScrollerFrame);
            break;
        case 8:
            if (!slideMode) {
                call(ops.deleteOutlineFont);
                enterSlide();
            }
            drawSlideRow(9);
            break;
        case 9:  // fractal cube tunnel
            if (sceneSetupDue(row)) {
                resetAnimationState();
                call(ops.setupTunnelScene);
                markSceneSetUp(row);
            }
            call(ops.drawTunnelFrame);
            break;
        case 10:
            if (!slideMode) enterSlide();
            drawSlideRow(10);
            break;
        case 11:  // model morph
            if (sceneSetupDue(row)) {
                resetAnimationState();
                call(ops.setupMorphScene);
                markSceneSetUp(row);
            }
            call(ops.drawMorphFrame);
            break;
        case 12:  // closing slide
            if (!slideMode) {
                call(ops.releaseMorphModels);
                enterSlide();
            }
            drawSlideRow(11);
            break;
        default:  // past the programme: ask the loop to end, every frame until it does
            postQuitMessage(0);
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
