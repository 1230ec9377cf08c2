// SPDX-License-Identifier: MIT
// The real operations behind each row of the timeline.
#include "app/timeline.h"

#include "platform/window.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/flower_scene.h"
#include "scenes/level_meter.h"
#include "scenes/morph_scene.h"
#include "scenes/scroller_scene.h"
#include "scenes/slides.h"
#include "scenes/tunnel_scene.h"

ProgrammeOps programmeOperations() {
    ProgrammeOps ops{};
    // Scenes are wired in as they are built; a null entry draws nothing.
    ops.beginSlideMode = beginSlideMode;
    ops.drawSlide = drawSlide;
    ops.loadSlideProjection = loadSlideProjection;
    ops.setupFlowerScene = setupFlowerScene;
    ops.drawFlowerFrame = drawFlowerFrame;
    ops.setupCubePyramidScene = setupCubePyramidScene;
    ops.drawCubePyramidFrame = drawCubePyramidFrame;
    ops.setupScrollerScene = setupScrollerScene;
    ops.drawScrollerFrame = drawScrollerFrame;
    ops.deleteOutlineFont = deleteOutlineFont;
    ops.setupTunnelScene = setupTunnelScene;
    ops.drawTunnelFrame = drawTunnelFrame;
    ops.setupMorphScene = setupMorphScene;
    ops.drawMorphFrame = drawMorphFrame;
    ops.releaseMorphModels = releaseMorphModels;
    ops.drawLevelMeter = drawLevelMeter;
    ops.presentFrame = swapWindowBuffers;
    return ops;
}
