// FeedbackQuads: the quads of a feedback capture, whichever way the driver reported them.
//
// OpenGL may report a quad (corners a, b, c, d) as one polygon of four vertices or as the two
// triangles (a, b, d) and (b, c, d). QuadsOf puts the corners back together in their order.
#pragma once

#include "HeadlessGl.h"  // SFeedbackPrimitive, SFeedbackVertex

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

}  // namespace cubatro::test
