// WxDeviceContext: bottom-up BGR rows to a wxImage, then to the context.
#include "app/WxDeviceContext.h"

#include <wx/bitmap.h>  // wxBitmap, what a wxDC draws
#include <wx/dc.h>      // wxDC
#include <wx/image.h>   // wxImage, built from the rows

#include <cstdint>  // int64_t for size checks

CWxDeviceContext::CWxDeviceContext(wxDC& dc) : m_dc(dc) {}

int CWxDeviceContext::SetDIBitsToDevice(int xDest, int yDest, unsigned nWidth, unsigned nHeight, int xSrc,
                                        int ySrc, unsigned nStartScan, unsigned nScanLines, const void* pBits,
                                        const BITMAPINFOHEADER& info)
{
    const unsigned nBytesPerPixel = info.biBitCount / 8u;
    if (!pBits || (info.biBitCount != 24 && info.biBitCount != 32) || info.biWidth <= 0 || info.biHeight == 0)
        return 0;
    const int64_t nBitmapWidth = info.biWidth;
    const int64_t nBitmapHeight = info.biHeight < 0 ? -int64_t{info.biHeight} : int64_t{info.biHeight};
    const bool bBottomUp = info.biHeight > 0;
    const int64_t nRowBytes = (nBitmapWidth * nBytesPerPixel + 3) / 4 * 4;
    if (xSrc < 0 || ySrc < 0 || nWidth == 0 || nHeight == 0) return 0;
    if (xSrc + int64_t{nWidth} > nBitmapWidth || ySrc + int64_t{nHeight} > nBitmapHeight) return 0;
    if (nWidth > 1u << 15 || nHeight > 1u << 15) return 0;

    // The source rectangle counts rows from the bottom of the bitmap; rows outside the band
    // nStartScan .. nStartScan + nScanLines are not held and stay undrawn.
    const auto* pBytes = static_cast<const unsigned char*>(pBits);
    wxImage image(static_cast<int>(nWidth), static_cast<int>(nHeight));
    image.InitAlpha();
    int nDrawn = 0;
    for (unsigned r = 0; r < nHeight; r++)
    {
        const int64_t nFromBottom = ySrc + int64_t{nHeight} - 1 - r;  // bitmap row of image row r
        const int64_t nRow = bBottomUp ? nFromBottom : nBitmapHeight - 1 - nFromBottom;
        const bool bHeld = nRow >= nStartScan && nRow < int64_t{nStartScan} + nScanLines;
        if (bHeld) nDrawn++;
        for (unsigned c = 0; c < nWidth; c++)
        {
            if (!bHeld)
            {
                image.SetAlpha(static_cast<int>(c), static_cast<int>(r), 0);
                continue;
            }
            const unsigned char* p =
                pBytes + (nRow - nStartScan) * nRowBytes + (xSrc + int64_t{c}) * nBytesPerPixel;
            image.SetRGB(static_cast<int>(c), static_cast<int>(r), p[2], p[1], p[0]);
            image.SetAlpha(static_cast<int>(c), static_cast<int>(r), 255);
        }
    }
    if (nDrawn == 0) return 0;
    m_dc.DrawBitmap(wxBitmap(image), xDest, yDest, true);
    return nDrawn;
}
