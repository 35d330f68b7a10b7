// Shows a page in the real viewer under a private Xvfb and saves the window
// as a PNG: screenshot PAGE OUTPUT.png
#include <png.h>

#include <filesystem>
#include <iostream>
#include <vector>

#include "harness.h"

namespace {

// The page is black on white, so a two-entry palette holds it exactly, and
// libpng writes such an image with one bit a pixel: the file stays small.
bool writePng(const Image& image, const char* path) {
  std::vector<png_byte> pixels;
  for (int row = 0; row < image.height; ++row)
    for (int col = 0; col < image.width; ++col)
      pixels.push_back(image.dark(col, row) ? 0 : 1);
  const png_byte palette[] = {0, 255};  // black, white
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width);
  png.height = png_uint_32(image.height);
  png.format = PNG_FORMAT_GRAY | PNG_FORMAT_FLAG_COLORMAP;
  png.colormap_entries = 2;
  bool written =
      png_image_write_to_file(&png, path, 0, pixels.data(), 0, palette);
  if (!written) std::cerr << "cannot write " << path << ": " << png.message;
  png_image_free(&png);
  return written;
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
  if (image.width == 0 || !writePng(image, argv[2])) return 1;
  std::cout << "wrote " << argv[2] << " (" << image.width << " x "
            << image.height << ")\n";
  sendDeleteWindow(window);
  return viewer.exitStatus() == 0 ? 0 : 1;
}
