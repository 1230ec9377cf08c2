// The real operations behind each row of the timeline.
#include "app/timeline.h"

#include "scenes/cube_pyramid_scene.h"
#include "scenes/slides.h"

ProgrammeOps programmeOperations() {
    ProgrammeOps ops{};
    // Scenes are wired in as they are built; a null entry draws nothing.
    ops.beginSlideMode = beginSlideMode;
    ops.drawSlide = drawSlide;
    ops.setupCubePyramidScene = setupCubePyramidScene;
    ops.drawCubePyramidFrame = drawCubePyramidFrame;
    return ops;
}
