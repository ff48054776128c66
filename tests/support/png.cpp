#include "png.h"
#include "harness.h"
#include <stdio.h>

namespace th {

std::string ArtifactPath(const std::string &name)
{
    std::string dir = ExeDir() + "..\\artifacts\\";
    CreateDirectoryA(dir.c_str(), NULL);
    return dir + name;
}

static unsigned long Crc(const unsigned char *p, size_t n, unsigned long crc = 0)
{
    static unsigned long table[256];
    if (!table[1])
        for (unsigned long i = 0; i < 256; i++) {
            unsigned long c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc & 0xFFFFFFFFUL;
    for (size_t i = 0; i < n; i++)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc & 0xFFFFFFFFUL;
}

static void Be32(std::string &out, unsigned long v)
{
    out += (char)(v >> 24); out += (char)(v >> 16); out += (char)(v >> 8); out += (char)v;
}

static void Chunk(std::string &out, const char *type, const std::string &data)
{
    Be32(out, (unsigned long)data.size());
    std::string body = std::string(type, 4) + data;
    out += body;
    Be32(out, Crc((const unsigned char *)body.data(), body.size()));
}

bool WritePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb)
{
    // Raw scanlines, each with filter byte 0, in stored (uncompressed)
    // deflate blocks: no compression library needed.
    std::string raw;
    for (int y = 0; y < height; y++) {
        raw += '\0';
        raw.append((const char *)&rgb[(size_t)y * width * 3], (size_t)width * 3);
    }
    std::string z = "\x78\x01";
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z += (char)(pos + n == raw.size() ? 1 : 0);
        z += (char)(n & 0xFF); z += (char)(n >> 8);
        z += (char)(~n & 0xFF); z += (char)((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
        pos += n;
        if (n == 0)
            break;
    }
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    Be32(ihdr, width);
    Be32(ihdr, height);
    ihdr.append("\x08\x02\x00\x00\x00", 5);   // 8-bit RGB, no interlace
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return WriteFile(path, png);
}

bool CaptureWindow(HWND window, int *width, int *height, std::vector<unsigned char> *rgb)
{
    RECT r;
    return GetWindowRect(window, &r) && CaptureScreen(r, width, height, rgb);
}

bool CaptureScreen(const RECT &r, int *width, int *height, std::vector<unsigned char> *rgb)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;   // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BOOL ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    if (ok) {
        rgb->resize((size_t)w * h * 3);
        const unsigned char *src = (const unsigned char *)bits;
        for (size_t i = 0; i < (size_t)w * h; i++) {
            (*rgb)[i * 3] = src[i * 4 + 2];
            (*rgb)[i * 3 + 1] = src[i * 4 + 1];
            (*rgb)[i * 3 + 2] = src[i * 4];
        }
        *width = w;
        *height = h;
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return ok != FALSE;
}

bool SaveWindowPng(HWND window, const std::string &path)
{
    int w, h;
    std::vector<unsigned char> rgb;
    return CaptureWindow(window, &w, &h, &rgb) && WritePng(path, w, h, rgb);
}

bool SaveScreenPng(const RECT &r, const std::string &path)
{
    int w, h;
    std::vector<unsigned char> rgb;
    return CaptureScreen(r, &w, &h, &rgb) && WritePng(path, w, h, rgb);
}

} // namespace th
