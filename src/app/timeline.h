// SPDX-License-Identifier: MIT
// The programme: a table of rows, each current while `elapsed` is below its
// bound, then the end. The timeline step picks the row, runs its scene's
// set-up when the kind of row changes, and draws its frame.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "scenes/scene.h"
#include "state/run_state.h"

// One row of the programme. Title and slide rows show a slide; a slide row
// first has the scene before it torn down. A scene row's set-up runs once
// when the row takes over, then its frame every frame.
enum class RowKind { title, slide, scene };
enum class RowBoundFrom { start, startPlusOffset, offset };
struct RowBound {
    RowBoundFrom from;  // which timeline values the bound counts from
    double seconds;     // added to them
};
struct TimelineRow {
    RowBound bound;
    RowKind kind;
    Scene scene;
};

// The rows, and what the frame loop does around them on every frame. The
// program runs realProgramme(); tests, the benchmark and the capture tool
// install a copy with scenes of their own or with the real ones wrapped.
struct Programme {
    std::vector<TimelineRow> rows;
    // Drawn over every row: the music's level, packed as the music gives it.
    std::function<void(uint32_t level)> drawMeter;
    // Shows the frame drawn in the pass before (the buffer swap).
    std::function<void()> presentFrame;
};

// The real programme, its table in src/app/programme.cpp.
Programme realProgramme();

// The programme the timeline and the frame loop run; realProgramme() until
// another is set. Setting one starts its timeline afresh (resetTimeline).
void setProgramme(const Programme& programme);
const Programme& currentProgramme();

// Rows are numbered from 1; the end is the number after the last row.
int timelineRowCount();
int timelineEndRow();

// Row 1..timelineRowCount() of the table.
const TimelineRow& timelineRow(int row);
// The row's scene name, "end" for the end row, "" for anything else.
const char* timelineRowName(int row);

// Which row is current: a row of the table, or the end row past the last
// bound. A pure function of its arguments; a value equal to a bound belongs
// to the next row.
int chooseTimelineRow(double elapsedSeconds, const TimelineValues& values);

// The value of `elapsed` at which a row gives way to the next; the bound of
// the last row is where the programme ends. 0 for any other row.
double timelineRowEnd(int row, const TimelineValues& values);

// One timeline step of the frame loop: choose the row from `elapsed` and the
// timeline values, run its set-up if its flag says so, draw its frame; past
// the last row, post the quit message and draw nothing. Returns the row.
int timelineStep();

// The row the last timeline step chose (0 before the first step).
int currentTimelineRow();

// Tears down the scene set up last if no slide has done so yet: a run that
// stops inside a scene releases what the scene made.
void tearDownTimeline();

// The loop's two flags; reset for a new run.
struct TimelineFlags {
    bool sceneMode;
    bool slideMode;
};
TimelineFlags timelineFlags();
void resetTimeline();

// The whole run back to its start: the shared values and the clock, the
// timeline, the message queue and every scene of the current programme. Every
// driver of a run (the demo, the headless run) and every test fixture calls
// this one reset.
void resetRun();
