// FpsAverage: the smoothed frame rate that the "FPS" window shows.
//
// Each drawn frame folds its instantaneous rate, 1000 / step, into the average with a weight
// of 1/16: fps = (15 fps + 1000 / step) / 16, worked in double and kept as a float. The text
// is the value as printf's %g writes it (six significant digits, no trailing zeros).
#pragma once
#include <string>  // std::string for the shown text

class CFpsAverage
{
public:
    CFpsAverage() = default;
    virtual ~CFpsAverage() = default;

    // Folds one frame of nElapsedMs (> 0) into the average and returns it; a step of 0 or less
    // is ignored (no frame is drawn for it).
    float Update(int nElapsedMs);
    float Value() const { return m_fps; }
    std::string Text() const { return Format(m_fps); }  // the value as shown
    static std::string Format(float f);                 // %g of the value

private:
    float m_fps = 0.0f;  // frames per second, 0 before the first frame
};
