// What the screen shows: its dpi, where controls are, whether their texts
// fit, and screenshots as PNG files. The screenshots need nothing but
// Win32: the pixels are read from the screen, and the file is written with
// uncompressed deflate blocks, which every PNG reader takes. A window at
// 200 % is under a megabyte that way, and no image library has to be
// built for Windows.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "platform/win32/handles.h"

namespace sv::drive {

namespace {

std::uint32_t Crc32(const std::uint8_t* data, size_t size, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& png, const char (&type)[5],
              const std::vector<std::uint8_t>& data) {
  PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBigEndian(png, Crc32(png.data() + start, png.size() - start));
}

// A zlib stream of stored blocks: the bytes as they are, 65,535 a block.
std::vector<std::uint8_t> Stored(const std::vector<std::uint8_t>& raw) {
  std::vector<std::uint8_t> z = {0x78, 0x01};
  std::uint32_t a = 1, b = 0;  // Adler-32
  size_t at = 0;
  do {
    const auto n = static_cast<std::uint16_t>(std::min<size_t>(raw.size() - at, 65535));
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    for (size_t i = at; i < at + n; ++i) {
      z.push_back(raw[i]);
      a = (a + raw[i]) % 65521;
      b = (b + a) % 65521;
    }
    at += n;
  } while (at < raw.size());
  PutBigEndian(z, b << 16 | a);
  return z;
}

}  // namespace

std::wstring Environment(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  value.resize(n < value.size() ? n : 0);
  return value;
}

int ScreenDpi() {
  const win32::UniqueScreenDc screen(::GetDC(nullptr));
  return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

std::wstring ScreenshotPath(const std::wstring& name) {
  const std::wstring folder = Environment(L"SV_SCREENSHOT_DIR");
  if (folder.empty()) return {};
  const wchar_t* const build = sizeof(void*) == 8 ? L"x86_64" : L"i686";
  return folder + L"/" + name + L"-" + build + L"-" + std::to_wstring(ScreenDpi()) + L"dpi-cp" +
         std::to_wstring(::GetACP()) + L".png";
}

void SaveScreenshot(const RECT& area, const std::wstring& path) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) throw DriveError("nothing to photograph");

  win32::UniqueScreenDc screen(::GetDC(nullptr));
  const HDC memory = ::CreateCompatibleDC(screen.get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  const BOOL copied =
      ::BitBlt(memory, 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  ::GdiFlush();

  // Each row: filter type 0, then red, green, blue of each pixel (the
  // section holds blue, green, red, unused).
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
  const auto* pixels = static_cast<const std::uint8_t*>(bits);
  for (int y = 0; copied && pixels && y < height; ++y) {
    raw.push_back(0);
    const std::uint8_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
    for (int x = 0; x < width; ++x) {
      raw.push_back(row[x * 4 + 2]);
      raw.push_back(row[x * 4 + 1]);
      raw.push_back(row[x * 4]);
    }
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  if (!copied || !pixels) throw DriveError("cannot read the screen");

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", Stored(raw));
  PutChunk(png, "IEND", {});

  const std::wstring file = WindowsPath(path);
  win32::UniqueFile out(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!out || !::WriteFile(out.get(), png.data(), static_cast<DWORD>(png.size()), &written,
                           nullptr) ||
      written != png.size()) {
    throw DriveError("cannot write " + Utf8(file));
  }
}

RECT ClientRectOf(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string TextDoesNotFit(const std::wstring& text, const std::wstring& face, int pointTenths,
                           const RECT& box, bool wrap) {
  const int dpi = ScreenDpi();
  LOGFONTW font{};
  if (face.empty()) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font = metrics.lfMessageFont;
  } else {
    font.lfHeight = -::MulDiv(pointTenths, dpi, 720);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
  }
  const win32::UniqueScreenDc screen(::GetDC(nullptr));
  const HFONT handle = ::CreateFontIndirectW(&font);
  const HGDIOBJ old = ::SelectObject(screen.get(), handle);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(screen.get(), &metrics);
  const int width = box.right - box.left, height = box.bottom - box.top;
  RECT needed{0, 0, width, 0};
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  ::SelectObject(screen.get(), old);
  ::DeleteObject(handle);
  const int lines = std::max(1, static_cast<int>(needed.bottom / std::max(1L, metrics.tmHeight)));
  const int shownHeight = (lines - 1) * metrics.tmHeight + metrics.tmAscent;
  if (needed.right <= width && shownHeight <= height) return {};
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about one
  // long concatenation that starts with a literal.
  std::string why = Utf8(text);
  why += " needs " + std::to_string(needed.right) + " x " + std::to_string(shownHeight);
  why += " px (" + std::to_string(lines) + " lines) in " + std::to_string(width) + " x ";
  why += std::to_string(height) + " at " + std::to_string(dpi) + " dpi";
  return why;
}

void SaveScreenshot(HWND window, const std::wstring& path) {
  RECT area{};
  if (!::GetWindowRect(window, &area)) throw DriveError("no window to photograph");
  SaveScreenshot(area, path);
}

}  // namespace sv::drive
