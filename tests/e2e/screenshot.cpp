// Shows a page in the real viewer under a private Xvfb and saves the window
// as a PNG: screenshot PAGE OUTPUT.png
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "harness.h"

namespace {

uint32_t crc32(const std::string& bytes) {
  uint32_t crc = 0xffffffff;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xedb88320 & -(crc & 1));
  }
  return ~crc;
}

std::string bigEndian(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
  return bigEndian(data.size()) + type + data + bigEndian(crc32(type + data));
}

// The page is black on white, so a one-bit grey PNG holds it exactly. Its
// image data is stored in uncompressed deflate blocks: no compression
// library is needed, and one bit a pixel keeps the file small.
std::string png(const Image& image) {
  std::string raw;
  for (int row = 0; row < image.height; ++row) {
    raw += '\0';  // no filter
    for (int col = 0; col < image.width; col += 8) {
      unsigned char bits = 0;
      for (int k = 0; k < 8; ++k)
        if (col + k >= image.width || !image.dark(col + k, row))
          bits |= 0x80 >> k;
      raw += char(bits);
    }
  }
  std::string deflate = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t at = 0; at < raw.size(); at += 65535) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    deflate += char(at + n == raw.size());
    deflate += {char(n), char(n >> 8), char(~n), char(~n >> 8)};
    deflate += raw.substr(at, n);
  }
  deflate += bigEndian(b << 16 | a);
  std::string header = bigEndian(image.width) + bigEndian(image.height) +
                       std::string("\x01\x00\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
         chunk("IDAT", deflate) + chunk("IEND", "");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: screenshot PAGE OUTPUT.png\n";
    return 2;
  }
  std::filesystem::path page = std::filesystem::absolute(argv[1]);
  Viewer viewer(page.parent_path().string());
  viewer.type(page.filename().string() + "\n");
  Window window = waitForWindow(viewerTitle);
  if (!window) {
    std::cerr << "the viewer's window did not appear\n" << viewer.output();
    return 1;
  }
  Image image = waitForPicture(window);
  std::ofstream(argv[2], std::ios::binary) << png(image);
  std::cout << "wrote " << argv[2] << " (" << image.width << " x "
            << image.height << ")\n";
  sendDeleteWindow(window);
  return viewer.exitStatus() == 0 ? 0 : 1;
}
