// overlay_frame.cpp -- the projection and enable-bit frame of the flat effects, and their quads.
#include "effects/overlay_frame.h"

#include "gl/extensions.h"

namespace qv3rn {

OverlayFrame::OverlayFrame(const OrthoBounds& bounds) {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(bounds.left, bounds.right, bounds.bottom, bounds.top, bounds.nearPlane, bounds.farPlane);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

OverlayFrame::~OverlayFrame() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void disableTexturing() {
    if (glActiveTextureARB) glActiveTextureARB(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
}

void drawQuad(const TexturedCorner (&corners)[4]) {
    glBegin(GL_QUADS);
    for (const TexturedCorner& corner : corners) {
        glTexCoord2f(corner.u, corner.v);
        glVertex3f(corner.x, corner.y, 0.0f);
    }
    glEnd();
}

void drawQuad(const float (&corners)[4][2]) {
    glBegin(GL_QUADS);
    for (const auto& corner : corners) glVertex3f(corner[0], corner[1], 0.0f);
    glEnd();
}

}  // namespace qv3rn
