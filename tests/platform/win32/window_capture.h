// The pixels of a window's client area as drawn, and a BMP file of them. (The frame is the
// window manager's, which Xvfb has none of.)
#pragma once

#include "platform/win32/windows_headers.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kr55le::testing {

struct Capture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
};

inline Capture CaptureWindow(HWND window) {
  Capture capture;
  RECT client{};
  ::GetClientRect(window, &client);
  capture.width = client.right;
  capture.height = client.bottom;
  HDC source = ::GetDC(window);
  HDC memory = ::CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, capture.width, capture.height, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    capture.pixels.assign(first, first + static_cast<std::size_t>(capture.width) * capture.height);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(window, source);
  return capture;
}

// A 32-bit top-down BMP, which ImageMagick turns into a PNG.
inline bool WriteBmp(const std::string& path, const Capture& capture) {
  const auto pixelBytes = static_cast<DWORD>(capture.pixels.size() * sizeof(std::uint32_t));
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + pixelBytes;
  header.biSize = sizeof header;
  header.biWidth = capture.width;
  header.biHeight = -capture.height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 std::fwrite(capture.pixels.data(), 1, pixelBytes, out) == pixelBytes;
  return std::fclose(out) == 0 && written;
}

}  // namespace kr55le::testing
