#include "win32ui/Images.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

// GDI+'s headers use min and max from windows.h, which the program turns off.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

namespace pivora::win32ui {

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
}

GdiplusSession::~GdiplusSession()
{
    if (m_token)
        Gdiplus::GdiplusShutdown(m_token);
}

namespace {

std::unique_ptr<Gdiplus::Bitmap> FromMemory(const void* data, std::size_t size)
{
    // The stream holds its own copy: the bitmap may outlive the data, and never locks a file.
    IStream* stream = ::SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size));
    if (!stream)
        return nullptr;
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(stream);
    stream->Release();
    if (bitmap->GetLastStatus() != Gdiplus::Ok || bitmap->GetWidth() == 0)
        return nullptr;
    return bitmap;
}

} // namespace

Picture::Picture(int resourceId)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    if (const void* data = loaded ? ::LockResource(loaded) : nullptr)
        m_bitmap = FromMemory(data, ::SizeofResource(module, found));
}

Picture::Picture(const wchar_t* file)
{
    HANDLE handle = ::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size{};
    std::vector<char> bytes;
    if (::GetFileSizeEx(handle, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!::ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
            read != bytes.size())
            bytes.clear();
    }
    ::CloseHandle(handle);
    if (!bytes.empty())
        m_bitmap = FromMemory(bytes.data(), bytes.size());
}

Picture::~Picture() = default;

int Picture::Width() const
{
    return m_bitmap ? static_cast<int>(m_bitmap->GetWidth()) : 0;
}

int Picture::Height() const
{
    return m_bitmap ? static_cast<int>(m_bitmap->GetHeight()) : 0;
}

void Picture::Draw(HDC dc, const RECT& target, bool disabled) const
{
    if (!m_bitmap)
        return;
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    const Gdiplus::Rect to(target.left, target.top, target.right - target.left,
                           target.bottom - target.top);
    if (!disabled) {
        graphics.DrawImage(m_bitmap.get(), to);
        return;
    }
    // Grey and faint, as a disabled button's picture.
    Gdiplus::ColorMatrix grey = {{{0.3f, 0.3f, 0.3f, 0, 0},
                                  {0.59f, 0.59f, 0.59f, 0, 0},
                                  {0.11f, 0.11f, 0.11f, 0, 0},
                                  {0, 0, 0, 0.45f, 0},
                                  {0, 0, 0, 0, 1}}};
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorMatrix(&grey);
    graphics.DrawImage(m_bitmap.get(), to, 0, 0, Width(), Height(), Gdiplus::UnitPixel,
                       &attributes);
}

void Picture::DrawFitted(HDC dc, const RECT& box) const
{
    if (!m_bitmap || Width() == 0 || Height() == 0)
        return;
    const int boxWidth = box.right - box.left;
    const int boxHeight = box.bottom - box.top;
    const double scale = std::min(static_cast<double>(boxWidth) / Width(),
                                  static_cast<double>(boxHeight) / Height());
    const int width = static_cast<int>(Width() * scale);
    const int height = static_cast<int>(Height() * scale);
    const RECT target{box.left + (boxWidth - width) / 2, box.top + (boxHeight - height) / 2,
                      box.left + (boxWidth - width) / 2 + width,
                      box.top + (boxHeight - height) / 2 + height};
    Draw(dc, target);
}

} // namespace pivora::win32ui
