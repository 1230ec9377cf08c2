// SPDX-License-Identifier: MIT
// GL state that more than one scene sets up the same way.
#pragma once

// Textured, smooth-shaded, depth-tested and lit with light 0, cleared to black,
// seen through a 100-degree perspective from 8 to 2000 units; the model-view
// matrix is left as the identity. The flower and the morph start from it.
void setLitPerspectiveState();

// The projection: a perspective of `fovy` degrees with the screen's aspect,
// from zNear to zFar; the model-view matrix is left as the identity.
void loadScenePerspective(double fovy, double zNear, double zFar);

// Light 0 and lighting on, the nicest perspective correction, texturing on
// and drawing in opaque white: how the scroller and the tunnel draw.
void enableLitTexturing();

// Light 0 with the given colours at `position` (under the current model-view
// matrix), shining all round (spot direction 0).
void setLight0(const float ambient[4], const float diffuse[4], const float specular[4], const float position[4]);

// The front faces' material, with no emission.
void setFrontMaterial(const float ambient[4], const float diffuse[4], const float specular[4], float shininess);

// White light 0 at the eye (placed while the model-view matrix is the
// identity), with a faint specular part. The scroller and the tunnel use it.
void setLight0AtEye();
