// GL state that more than one scene sets up the same way.
#pragma once

// Textured, smooth-shaded, depth-tested and lit with light 0, cleared to black,
// seen through a 100-degree perspective from 8 to 2000 units; the model-view
// matrix is left as the identity. The flower and the morph start from it.
void setLitPerspectiveState();

// White light 0 at the eye (placed while the model-view matrix is the
// identity), with a faint specular part. The scroller and the tunnel use it.
void setLight0AtEye();
