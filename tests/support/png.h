// Screenshots of windows as PNG files, for a person to look at after a run.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace th {

// build/artifacts/<name>; the folder is created on first use.
std::string ArtifactPath(const std::string &name);

// Encodes top-down 24-bit RGB rows (width * 3 bytes each) as a PNG file.
bool WritePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb);

// Copies what the screen shows of the window (frame included) into rgb.
bool CaptureWindow(HWND window, int *width, int *height, std::vector<unsigned char> *rgb);

// The same for a rectangle of the screen (several windows of one picture).
bool CaptureScreen(const RECT &r, int *width, int *height, std::vector<unsigned char> *rgb);

// CaptureWindow then WritePng.
bool SaveWindowPng(HWND window, const std::string &path);
// CaptureScreen then WritePng.
bool SaveScreenPng(const RECT &r, const std::string &path);

} // namespace th
