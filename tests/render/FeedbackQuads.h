// FeedbackQuads: the quads of a feedback capture, whichever way the driver reported them.
//
// OpenGL may report a quad (corners a, b, c, d) as one polygon of four vertices or as the two
// triangles (a, b, d) and (b, c, d). QuadsOf puts the corners back together in their order.
// SceneProjection and SceneOf map the scene box from -4 to 4 on each axis onto the fixture's
// 64 × 64 framebuffer and back, so that feedback positions read as scene coordinates.
#pragma once

#include "HeadlessGl.h"  // SFeedbackPrimitive, SFeedbackVertex

#include <GL/gl.h>  // the projection of the scene box

#include <gtest/gtest.h>  // ADD_FAILURE for captures that hold no quads

#include <array>   // std::array for the four corners
#include <vector>  // std::vector for the quads

namespace cubatro::test
{

using SFeedbackQuad = std::array<SFeedbackVertex, 4>;  // corners in the order they were given

inline bool SameVertex(const SFeedbackVertex& a, const SFeedbackVertex& b)
{
    return a.pos == b.pos && a.color == b.color && a.tex == b.tex;
}

inline std::vector<SFeedbackQuad> QuadsOf(const std::vector<SFeedbackPrimitive>& primitives)
{
    std::vector<SFeedbackQuad> quads;
    for (size_t i = 0; i < primitives.size(); ++i)
    {
        const SFeedbackPrimitive& p = primitives[i];
        if (p.type != GL_POLYGON_TOKEN)
        {
            ADD_FAILURE() << "primitive " << i << " is not a polygon";
            return quads;
        }
        if (p.vertices.size() == 4)
        {
            quads.push_back({p.vertices[0], p.vertices[1], p.vertices[2], p.vertices[3]});
            continue;
        }
        if (p.vertices.size() != 3 || i + 1 >= primitives.size() || primitives[i + 1].vertices.size() != 3 ||
            !SameVertex(primitives[i + 1].vertices[0], p.vertices[1]) ||
            !SameVertex(primitives[i + 1].vertices[2], p.vertices[2]))
        {
            ADD_FAILURE() << "primitives " << i << " and " << i + 1 << " do not make a quad";
            return quads;
        }
        quads.push_back({p.vertices[0], p.vertices[1], primitives[i + 1].vertices[1], p.vertices[2]});
        ++i;
    }
    return quads;
}

// Projection: the box from -4 to 4 on each axis, seen along -z; modelview: identity.
inline void SceneProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -4.0, 4.0, -8.0, 8.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Scene coordinates of a feedback vertex captured under SceneProjection on the 64-pixel framebuffer.
inline std::array<float, 3> SceneOf(const SFeedbackVertex& v)
{
    const float fScale = 8.0f / 64.0f;
    return {v.pos[0] * fScale - 4.0f, v.pos[1] * fScale - 4.0f, -8.0f * (2.0f * v.pos[2] - 1.0f)};
}

}  // namespace cubatro::test
