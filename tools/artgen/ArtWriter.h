// ArtWriter: every file of the game's art, written into one directory.
#pragma once
#include <string>  // std::string for paths and the error text

class CArtWriter
{
public:
    static constexpr int s_nMarbleSize = 256;  // edge of the marble picture
    static constexpr int s_nShineSize = 128;   // edge of each flare sprite
    static constexpr int s_nShineCount = 10;   // sprites Shine0 .. Shine9
    static constexpr int s_nPngSizes[] = {16, 32, 48, 64, 128, 256};  // edges of the PNG icons

    explicit CArtWriter(std::string strDirectory);  // nothing is written yet
    virtual ~CArtWriter() = default;

    // Writes the marble, the sprites, the key and the icons, creating the subdirectories. Upon
    // exit true, or false with GetError saying which file failed.
    bool WriteAll();
    const std::string& GetError() const { return m_strError; }

private:
    bool Fail(const std::string& strWhat);  // records the error, returns false
    std::string m_strDirectory;             // where the art goes
    std::string m_strError;                 // the first failure, empty when none
};
