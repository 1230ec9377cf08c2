// SPDX-License-Identifier: MIT
// The programme: twelve rows, each current while `elapsed` is below its bound,
// then the end. The timeline step picks the row, runs its one-time set-up
// when the kind of row changes, and draws its frame.
#pragma once

#include "app/shared_state.h"

// Every operation a row's set-up or frame calls, and the level meter. The program uses the real
// scenes (programmeOperations); tests put in recording stand-ins. A null
// entry is skipped.
struct ProgrammeOps {
    void (*beginSlideMode)();
    void (*drawSlide)(int slot);
    void (*loadSlideProjection)();
    int (*setupFlowerScene)();
    int (*drawFlowerFrame)();
    bool (*setupCubePyramidScene)();
    bool (*drawCubePyramidFrame)();
    int (*setupScrollerScene)();
    int (*drawScrollerFrame)();
    void (*deleteOutlineFont)();
    int (*setupTunnelScene)();
    int (*drawTunnelFrame)();
    int (*setupMorphScene)();
    void (*drawMorphFrame)();
    void (*releaseMorphModels)();
    // Not a row's operation: the overlay the frame loop draws over every row,
    // showing the music's level.
    void (*drawLevelMeter)(uint32_t level);
    // Nor this: the frame loop's buffer swap, which presents the frame drawn
    // in the pass before.
    void (*presentFrame)();
};

// The real scenes, wired in src/app/programme.cpp.
ProgrammeOps programmeOperations();

// The operations the timeline step calls; programmeOperations() by default.
void setProgrammeOps(const ProgrammeOps& ops);
const ProgrammeOps& currentProgrammeOps();

constexpr int timelineRowCount = 12;
constexpr int timelineEndRow = 13;

// One row of the programme. Title and slide rows draw a picture slot; a
// slide row first releases what the scene before it left (its tear-down).
// A scene row's set-up runs once when the row takes over, then its frame
// every frame. The set-up gets its row number to mark itself done.
enum class RowKind { title, slide, scene };
enum class RowBoundFrom { start, startPlusOffset, offset };
struct RowBound {
    RowBoundFrom from;  // which timeline values the bound counts from
    double seconds;     // added to them
};
struct TimelineRow {
    const char* name;  // for reports: "title slide", "flower", ...
    RowBound bound;
    RowKind kind;
    int slideSlot;           // title and slide rows
    void (*tearDown)();      // slide rows; null: nothing to release
    void (*setUp)(int row);  // scene rows
    void (*frame)();         // scene rows
    // The row's frames leave part of the picture the frame before drew (every
    // other row clears it or covers it whole), so a frame of it shows what
    // earlier frames drew: a run that skips drawing must not skip those.
    bool keepsPicture = false;
};

// Row 1..12 of the table.
const TimelineRow& timelineRow(int row);
// The row's name, "end" for timelineEndRow, "" for anything else.
const char* timelineRowName(int row);

// Which row is current: 1..12, or timelineEndRow past the last bound. A pure
// function of its arguments; a value equal to a bound belongs to the next row.
int chooseTimelineRow(double elapsedSeconds, const TimelineValues& values);

// The value of `elapsed` at which a row (1..12) gives way to the next; the
// bound of row 12 is where the programme ends. 0 for any other row.
double timelineRowEnd(int row, const TimelineValues& values);

// One timeline step of the frame loop: choose the row from `elapsed` and the
// timeline values, run its set-up if its flag says so, draw its frame; past
// the last row, post the quit message and draw nothing. Returns the row.
int timelineStep();

// The row the last timeline step chose (0 before the first step).
int currentTimelineRow();

// The loop's two flags and the last row drawn; reset for a new run.
struct TimelineFlags {
    bool sceneMode;
    bool slideMode;
};
TimelineFlags timelineFlags();
void resetTimeline();
