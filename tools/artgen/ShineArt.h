// ShineArt: the greyscale sprites of the lens flare.
//
// Each sprite is a bright round core in a soft halo, crossed by thin rays. The rays' angles,
// lengths and strengths are drawn from the sprite's number, so the ten sprites differ and the
// flare, which shows them in turn, shimmers. Every sprite fades to black well inside its edge,
// so the additive squares show no borders.
#pragma once
#include <cstddef>  // size_t for sample offsets
#include <cstdint>  // uint8_t, uint32_t for samples and seeds
#include <vector>   // std::vector for the samples

class CShineArt
{
public:
    // Upon exit sprite nIndex of nSize × nSize samples is painted.
    CShineArt(int nSize, int nIndex);
    virtual ~CShineArt() = default;

    int GetSize() const { return m_nSize; }
    const std::vector<uint8_t>& GetSamples() const { return m_vSamples; }  // bottom row first
    uint8_t At(int x, int y) const { return m_vSamples[static_cast<size_t>(y) * m_nSize + x]; }

private:
    void Paint(int nIndex);           // fills m_vSamples
    int m_nSize;                      // edge in samples
    std::vector<uint8_t> m_vSamples;  // owned, one byte per sample
};
