#pragma once

#include <windows.h>

#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace pivora::win32ui {

// GDI+ for the program's lifetime: it decodes and scales the PNG pictures.
class GdiplusSession
{
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR m_token = 0;
};

// A PNG picture of the program's resources.
class Picture
{
public:
    explicit Picture(int resourceId);
    Picture(const wchar_t* file); // a file; empty when it cannot be read
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool Empty() const { return !m_bitmap; }
    int Width() const;
    int Height() const;
    // Draws the picture smoothly scaled into `target`; greyed when `disabled`.
    void Draw(HDC dc, const RECT& target, bool disabled = false) const;
    // Draws it as large as fits into `box`, keeping its proportions, centred.
    void DrawFitted(HDC dc, const RECT& box) const;

private:
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
};

} // namespace pivora::win32ui
