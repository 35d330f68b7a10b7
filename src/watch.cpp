#include "watch.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

#include "opengl.h"
#include "viewer.h"

namespace {

// What says that a file has been saved: its size, its modification time as
// finely as the system keeps it, and its identity, which a save that
// renames a new file over the old one changes whatever its time.
struct FileStatus {
  bool found = false;
  long long size = 0, modified = 0, modifiedFraction = 0;
  unsigned long long device = 0, identity = 0;
  bool operator==(const FileStatus&) const = default;
};

FileStatus fileStatus(const std::string& name) {
  FileStatus status;
#ifdef _WIN32
  // The C library's stat keeps whole seconds only: two saves within one
  // would look alike. Windows keeps 100 ns, and a new file's creation time
  // stands for the identity it has no inode for. The A call takes the name's
  // bytes as the C library's open does.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data))
    return status;
  auto ticks = [](FILETIME t) {
    return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  status.size =
      (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  status.modified = ticks(data.ftLastWriteTime);
  status.identity = static_cast<unsigned long long>(ticks(data.ftCreationTime));
#else
  struct stat info = {};
  if (stat(name.c_str(), &info) != 0) return status;
#ifdef __APPLE__
  const timespec& modified = info.st_mtimespec;
#else
  const timespec& modified = info.st_mtim;
#endif
  status.size = info.st_size;
  status.modified = modified.tv_sec;
  status.modifiedFraction = modified.tv_nsec;
  status.device = info.st_dev;
  status.identity = info.st_ino;
#endif
  status.found = true;
  return status;
}

FileStatus shownStatus;

}  // namespace

void noteFileShown() { shownStatus = fileStatus(filename); }

void watchFile(int /*value*/) {
  FileStatus now = fileStatus(filename);
  if (now.found && now != shownStatus) glutPostRedisplay();
  glutTimerFunc(watchInterval, watchFile, 0);
}
