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
#include <cstdlib>
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
  // The program's code page: a copy of it may be asked to use UTF-8.
  const UINT codePage = Environment(L"SV_ACTIVE_CODE_PAGE") == L"UTF-8" ? CP_UTF8 : ::GetACP();
  return folder + L"/" + name + L"-" + build + L"-" + std::to_wstring(ScreenDpi()) + L"dpi-cp" +
         std::to_wstring(codePage) + L".png";
}

Pixels Capture(const RECT& area) {
  Pixels pixels;
  pixels.width = area.right - area.left;
  pixels.height = area.bottom - area.top;
  if (pixels.width <= 0 || pixels.height <= 0) throw DriveError("nothing to look at");

  win32::UniqueScreenDc screen(::GetDC(nullptr));
  const HDC memory = ::CreateCompatibleDC(screen.get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  const BOOL copied = ::BitBlt(memory, 0, 0, pixels.width, pixels.height, screen.get(), area.left,
                               area.top, SRCCOPY);
  ::GdiFlush();
  // The section holds blue, green, red, unused: the bytes of a COLORREF
  // the other way round.
  const auto* raw = static_cast<const std::uint8_t*>(bits);
  const size_t count = static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.height);
  for (size_t i = 0; copied && raw && i < count; ++i) {
    pixels.colours.push_back(RGB(raw[i * 4 + 2], raw[i * 4 + 1], raw[i * 4]));
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  if (!copied || !raw) throw DriveError("cannot read the screen");
  return pixels;
}

namespace {

// Antialiased edges fade into the background: ink is what is near the
// text's colour, the cores of the strokes.
bool IsInk(COLORREF pixel, COLORREF ink) {
  const auto alike = [](int a, int b) { return std::abs(a - b) <= 96; };
  return alike(GetRValue(pixel), GetRValue(ink)) && alike(GetGValue(pixel), GetGValue(ink)) &&
         alike(GetBValue(pixel), GetBValue(ink));
}

}  // namespace

Glyphs GlyphsIn(const RECT& area, COLORREF ink) {
  const Pixels pixels = Capture(area);
  const int w = pixels.width, h = pixels.height;
  std::vector<char> isInk(static_cast<size_t>(w * h));
  for (int i = 0; i < w * h; ++i)
    isInk[static_cast<size_t>(i)] = IsInk(pixels.colours[static_cast<size_t>(i)], ink);
  const auto inked = [&](int x, int y) { return isInk[static_cast<size_t>(y * w + x)] != 0; };

  Glyphs glyphs;
  std::vector<char> seen(isInk.size());
  std::vector<POINT> stack;
  for (int start = 0; start < w * h; ++start) {
    if (!isInk[static_cast<size_t>(start)] || seen[static_cast<size_t>(start)]) continue;
    // One piece of ink: every ink pixel that touches it, corners too.
    RECT box{start % w, start / w, start % w, start / w};
    stack.assign(1, POINT{start % w, start / w});
    seen[static_cast<size_t>(start)] = 1;
    while (!stack.empty()) {
      const POINT p = stack.back();
      stack.pop_back();
      box = {std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x),
             std::max(box.bottom, p.y)};
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int x = p.x + dx, y = p.y + dy;
          if (x < 0 || y < 0 || x >= w || y >= h || !inked(x, y)) continue;
          if (seen[static_cast<size_t>(y * w + x)]) continue;
          seen[static_cast<size_t>(y * w + x)] = 1;
          stack.push_back({x, y});
        }
      }
    }
    ++glyphs.pieces;
    // An empty box: its outline all ink, the inside (beyond the lines'
    // width) clear. Too small a piece is a dot or a stroke of a letter.
    const int bw = box.right - box.left + 1, bh = box.bottom - box.top + 1;
    if (bw < 4 || bh < 6) continue;
    int outline = 0, outlineInk = 0, inside = 0, insideInk = 0;
    const int line = std::max(1, std::min(bw, bh) / 5);
    for (int y = box.top; y <= box.bottom; ++y) {
      for (int x = box.left; x <= box.right; ++x) {
        const bool edge = x == box.left || x == box.right || y == box.top || y == box.bottom;
        const bool within = x >= box.left + line && x <= box.right - line && y >= box.top + line &&
                            y <= box.bottom - line;
        if (edge) {
          ++outline;
          outlineInk += inked(x, y);
        } else if (within) {
          ++inside;
          insideInk += inked(x, y);
        }
      }
    }
    if (outlineInk * 10 >= outline * 9 && insideInk * 50 <= inside) ++glyphs.emptyBoxes;
  }
  return glyphs;
}

RECT CaptionTextArea(HWND window) {
  RECT outer{};
  ::GetWindowRect(window, &outer);
  const int frame = ::GetSystemMetrics(SM_CYFIXEDFRAME);
  const int caption = ::GetSystemMetrics(SM_CYCAPTION);
  // The icon at the left, the minimise, maximise and close buttons at the
  // right.
  const int icon = ::GetSystemMetrics(SM_CXSMICON) + 4;
  const int buttons = 3 * ::GetSystemMetrics(SM_CXSIZE);
  return {outer.left + frame + icon, outer.top + frame + 1, outer.right - frame - buttons,
          outer.top + frame + caption - 1};
}

RECT MenuBarArea(HWND window) {
  RECT outer{};
  ::GetWindowRect(window, &outer);
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  const int frame = ::GetSystemMetrics(SM_CXFIXEDFRAME);
  return {outer.left + frame + 1, client.y - ::GetSystemMetrics(SM_CYMENU) + 1,
          outer.right - frame - 1, client.y - 1};
}

RECT ScreenRectOf(HWND control, int inset) {
  RECT r{};
  ::GetClientRect(control, &r);
  ::MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return {r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
}

void SaveScreenshot(const RECT& area, const std::wstring& path) {
  const Pixels pixels = Capture(area);
  const int width = pixels.width;
  const int height = pixels.height;
  // Each row: filter type 0, then red, green, blue of each pixel.
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const COLORREF c = pixels.At(x, y);
      raw.push_back(GetRValue(c));
      raw.push_back(GetGValue(c));
      raw.push_back(GetBValue(c));
    }
  }

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
  if (!out ||
      !::WriteFile(out.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) ||
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

RECT WindowArea(HWND window) {
  RECT area{};
  if (!::GetWindowRect(window, &area)) throw DriveError("no window to photograph");
  return area;
}

void SaveScreenshot(HWND window, const std::wstring& path) {
  SaveScreenshot(WindowArea(window), path);
}

}  // namespace sv::drive
