// Shows a page in the real viewer under a private Xvfb, saves the window as
// a PNG, closes it as a window manager does, and prints what the viewer
// printed on its console:  screenshot PAGE OUTPUT.png [COMMAND...]
// A COMMAND runs instead of build/psviewer, in the current folder, and PAGE
// is typed as given once it prompts: CI so runs scripts/view on a fresh
// machine, which installs and builds first, so its window may take many
// minutes.
#include <png.h>

#include <filesystem>
#include <iostream>
#include <string>
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

// Saves the viewer's window once it shows its picture, closes it, and
// prints the console; 0 when all went well and the viewer ended with 0.
int show(Viewer& viewer, const char* png, std::chrono::seconds limit) {
  Window window = waitForWindow(viewerTitle, limit);
  Image image = window ? waitForPicture(window) : Image{};
  bool written = image.width > 0 && writePng(image, png);
  if (window) sendDeleteWindow(window);
  int status = window ? viewer.exitStatus() : -1;
  std::cout << viewer.output();
  if (!window) std::cerr << "the viewer's window did not appear\n";
  if (written)
    std::cerr << "wrote " << png << " (" << image.width << " x " << image.height
              << ")\n";
  return written && status == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: screenshot PAGE OUTPUT.png [COMMAND...]\n";
    return 2;
  }
  std::filesystem::path page = std::filesystem::absolute(argv[1]);
  std::vector<std::string> command(argv + 3, argv + argc);
  if (command.empty()) {
    Viewer viewer(page.parent_path().string());
    viewer.type(page.filename().string() + "\n");
    return show(viewer, argv[2], waitLimit());
  }
  Viewer viewer(std::filesystem::current_path().string(), command);
  const std::chrono::minutes limit(20);
  viewer.outputOnce(
      [](const std::string& out) {
        return out.find("Filename: ") != std::string::npos;
      },
      limit);
  viewer.type(std::string(argv[1]) + "\n");
  return show(viewer, argv[2], limit);
}
