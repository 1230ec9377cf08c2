// SPDX-License-Identifier: MIT
// The programme's table: what each row shows and until when.
#include "app/timeline.h"
#include "assets/texture_bank.h"
#include "platform/window.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/flower_scene.h"
#include "scenes/level_meter.h"
#include "scenes/morph_scene.h"
#include "scenes/scroller_scene.h"
#include "scenes/slides.h"
#include "scenes/tunnel_scene.h"

Programme realProgramme() {
    // Rows 1 and 2 end where the music's events put them; the rest count
    // from the second event.
    Programme programme;
    programme.rows = {
        {{RowBoundFrom::start, 0.0}, RowKind::title, slideScene("title slide", titleSlot)},
        {{RowBoundFrom::startPlusOffset, 0.0}, RowKind::slide, slideScene("slide 6", meadowCardSlot)},
        {{RowBoundFrom::offset, 40.0}, RowKind::scene, flowerScene()},
        {{RowBoundFrom::offset, 60.0}, RowKind::slide, slideScene("slide 7", solidCardSlot)},
        {{RowBoundFrom::offset, 80.0}, RowKind::scene, cubePyramidScene()},
        {{RowBoundFrom::offset, 90.0}, RowKind::slide, slideScene("slide 8", scrollerCardSlot)},
        {{RowBoundFrom::offset, 135.0}, RowKind::scene, scrollerScene()},
        {{RowBoundFrom::offset, 145.0}, RowKind::slide, slideScene("slide 9", fractalCardSlot)},
        {{RowBoundFrom::offset, 170.0}, RowKind::scene, tunnelScene()},
        {{RowBoundFrom::offset, 175.0}, RowKind::slide, slideScene("slide 10", morphCardSlot)},
        {{RowBoundFrom::offset, 190.0}, RowKind::scene, morphScene()},
        {{RowBoundFrom::offset, 225.0}, RowKind::slide, slideScene("credits", creditsSlot)},
    };
    programme.drawMeter = drawLevelMeter;
    programme.presentFrame = swapWindowBuffers;
    return programme;
}
