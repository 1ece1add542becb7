// KeyModel: the player's model, a key, built as a Wavefront model record.
//
// The key lies flat, its length along z: the bow (a ring) at the near end (+z), a collar, the
// round shaft running toward -z, and a toothed bit standing out to +x near the tip. Three
// groups ("anneau", "tige", "panneton") share one brass material. Every triangle is wound
// counter-clockwise seen from outside.
#pragma once
#include "model/GlmModel.h"  // CGlmModel, the record that is filled and written

#include <string>  // std::string for file names
#include <vector>  // std::vector for the triangles under construction

class CKeyModel
{
public:
    CKeyModel();  // upon exit the record holds the whole key
    virtual ~CKeyModel() = default;

    CGlmModel& Model() { return m_Model; }
    const CGlmModel& Model() const { return m_Model; }
    // Writes the OBJ file with its material library "cle.mtl" beside it.
    void Save(const std::string& strObjPath);

private:
    struct SPart
    {
        std::string name;                     // group name
        std::vector<GlmTriangle> vTriangles;  // the part's triangles
    };
    uint32_t AddVertex(double x, double y, double z);  // 1-based number of the new vertex
    // Adds triangle a, b, c, turned if needed so that its normal points along (hx, hy, hz).
    void AddTriangle(SPart& part, uint32_t a, uint32_t b, uint32_t c, const double* pHint);
    void AddQuad(SPart& part, uint32_t a, uint32_t b, uint32_t c, uint32_t d, const double* pHint);
    void AddRing(SPart& part);                                            // the bow
    void AddCylinder(SPart& part, double dRadius, double z0, double z1);  // along z, with caps
    void AddBox(SPart& part, double x0, double x1, double y0, double y1, double z0, double z1);
    void AddBit(SPart& part);                 // the bit and its teeth
    void Finish(std::vector<SPart>& vParts);  // copies the parts into the record

    std::vector<float> m_vVertices;  // 3 per vertex, element 0 unused, as the record keeps them
    CGlmModel m_Model;               // the key, owned
};
