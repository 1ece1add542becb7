// WxDeviceContext: the image library's device context over a wxWidgets drawing context.
#pragma once
#include "image/DeviceContext.h"  // CDeviceContext, the interface implemented

class wxDC;

class CWxDeviceContext : public CDeviceContext
{
public:
    explicit CWxDeviceContext(wxDC& dc);  // draws into dc, which must outlive this object
    ~CWxDeviceContext() override = default;

    // Converts the rows held by pBits that fall in the source rectangle into a bitmap and draws
    // it with its top-left corner at (xDest, yDest). Upon exit the result is the number of rows
    // drawn, 0 for a bad description (depth other than 24 or 32, sizes that do not fit).
    int SetDIBitsToDevice(int xDest, int yDest, unsigned nWidth, unsigned nHeight, int xSrc, int ySrc,
                          unsigned nStartScan, unsigned nScanLines, const void* pBits,
                          const BITMAPINFOHEADER& info) override;

private:
    wxDC& m_dc;  // the destination, not owned
};
