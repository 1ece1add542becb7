// DeviceContext: the surface that CTexture::Draw blits an image to.
//
// The image library stays free of any window toolkit: Draw talks to this interface, and the
// shell implements it over its own drawing context.
#pragma once

#include "image/BmpHeaders.h"  // BITMAPINFOHEADER, the description of the bits

class CDeviceContext
{
public:
    virtual ~CDeviceContext() = default;

    // Draws a device-independent bitmap, colours given as RGB values (no palette).
    //   xDest, yDest       upper-left corner of the destination rectangle, in device units
    //   nWidth, nHeight    size of the destination (and source) rectangle, in pixels
    //   xSrc, ySrc         lower-left corner of the source rectangle within the bitmap
    //   nStartScan         first row held by pBits (row 0 is the bottom row when biHeight > 0)
    //   nScanLines         number of rows held by pBits
    //   pBits              nScanLines rows, each padded to a multiple of 4 bytes; 24-bit pixels
    //                      are blue, green, red; 32-bit pixels blue, green, red, alpha
    //   info               width, height, bit count and layout of pBits
    // Upon exit the rows that fall in the destination rectangle are drawn; the result is the
    // number of rows drawn, 0 on failure. The implementation does not keep pBits.
    virtual int SetDIBitsToDevice(int xDest, int yDest, unsigned nWidth, unsigned nHeight, int xSrc, int ySrc,
                                  unsigned nStartScan, unsigned nScanLines, const void* pBits,
                                  const BITMAPINFOHEADER& info) = 0;
};
