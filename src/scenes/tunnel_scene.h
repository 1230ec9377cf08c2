// A blended fractal cube tumbling between scrolling checkerboard planes.
#pragma once

int setupTunnelScene();
int drawTunnelFrame();
