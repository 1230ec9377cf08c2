// SPDX-License-Identifier: MIT
// The three models of the data set: the flower of the meadow scene and the
// wooden figure of the morph scene in its two poses (one mesh, two shapes).
#pragma once

#include "ms3d_writer.h"

// Stands along +z from z = -320 (just under the rippling ground) to about
// +610, its head tilted so that it shows its face as the scene turns.
Ms3dFile buildFlower();

enum class FigurePose { StandingTall, Slumped };
// About 450 units tall standing (320 slumped), centred on the origin and
// standing along (1, 1, 1); both poses have the same vertices (vertex v is
// the same point of the figure) and triangles.
Ms3dFile buildFigure(FigurePose pose);
