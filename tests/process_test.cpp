// Runs the whole program, linked with the GL stand-in, as a user would:
// the name typed on standard input, the console read back byte for byte,
// and the exit status. The stand-in's event loop exposes the window twice.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "expected.h"
#include "read_file.h"

namespace fs = std::filesystem;

namespace {

struct ViewerRun {
  std::string out, err;
  int status;
};

// Runs the program in folder with input on its standard input. No shell
// is involved, so any path works, whatever characters the clone's has.
ViewerRun runViewer(const std::string& input, const fs::path& folder) {
  fs::path in = folder / "stdin.txt", out = folder / "stdout.txt",
           err = folder / "stderr.txt";
  std::ofstream(in, std::ios::binary) << input;
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addchdir_np(&files, folder.c_str());
  posix_spawn_file_actions_addopen(&files, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const char* argv[] = {"timeout", "20", PSVIEWER_EMULATOR PSVIEWER_STANDIN,
                        nullptr};
  pid_t pid;
  int status = -1;
  if (posix_spawnp(&pid, "timeout", &files, nullptr, const_cast<char**>(argv),
                   environ) == 0)
    waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&files);
  return {readFile(out), readFile(err),
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class ProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    // One folder per test process: CTest runs them in parallel.
    folder =
        fs::path(testing::TempDir()) / ("psviewer_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    // The sample page by a name relative to the folder the viewer runs in,
    // and through a symbolic link, which is shown like the file it names.
    fs::create_symlink(fs::path(PSVIEWER_EXAMPLES_DIR) / "sample.ps",
                       folder / "sample.ps");
  }
  void TearDown() override { fs::remove_all(folder); }
  ViewerRun run(const std::string& input) { return runViewer(input, folder); }
  fs::path folder;
};

TEST_F(ProcessTest, ShowsTheSamplePageOnEveryRedraw) {
  ViewerRun r = run("sample.ps\n");
  std::string pass = readFile(PSVIEWER_CASES_DIR "/sample.out");
  ASSERT_FALSE(pass.empty());
  EXPECT_EQ(r.out, "Filename: " + pass + pass);
  EXPECT_EQ(r.status, 0);
}

TEST_F(ProcessTest, SetsUpTheWindowAfterTheNameIsRead) {
  ViewerRun r = run("sample.ps\n");
  EXPECT_EQ(r.err,
            "glutInit()\n"
            "glutInitDisplayMode(2)\n"
            "glutInitWindowPosition(100,100)\n"
            "glutInitWindowSize(540,700)\n"
            "glutCreateWindow(" +
                std::string(viewerTitle) +
                ")\n"
                "glutDisplayFunc()\n"
                "glutTimerFunc(200,0)\n"
                "glViewport(0,0,540,700)\n"
                "glMatrixMode(5889)\n"
                "glLoadIdentity()\n"
                "gluOrtho2D(0,612,0,792)\n"
                "glMatrixMode(5888)\n"
                "glLoadIdentity()\n"
                "glutMainLoop()\n");
}

TEST_F(ProcessTest, TakesTheFirstWordTypedAsTheName) {
  std::ofstream(folder / "my") << "showpage\n";
  ViewerRun r = run("  \t\n my file.ps\nmore\n");
  EXPECT_EQ(r.out,
            "Filename: Operator: showpage not supported\n"
            "Operator: showpage not supported\n");
  EXPECT_EQ(r.status, 0);
}

TEST_F(ProcessTest, UsesTheNameAsTyped) {
  std::ofstream(folder / "caf\xe9 \xe2\x82\xac.ps") << "x\n";
  std::ofstream(folder / "caf\xe9") << "y\n";
  ViewerRun r = run("caf\xe9 \xe2\x82\xac.ps\n");
  EXPECT_EQ(r.out,
            "Filename: Operator: y not supported\nOperator: y not supported\n");
}

struct ExitCase {
  const char* input;
  const char* output;
};

std::ostream& operator<<(std::ostream& os, const ExitCase& c) {
  return os << testing::PrintToString(std::string(c.input));
}

class ProcessExitTest : public ProcessTest,
                        public testing::WithParamInterface<ExitCase> {};

TEST_P(ProcessExitTest, ReportsTheFileAndFails) {
  fs::create_directories(folder / "folder.ps");
  mkfifo((folder / "pipe.ps").c_str(), 0644);
  // A socket's name stays in the folder after the socket is closed.
  sockaddr_un address{AF_UNIX, {}};
  std::string socketPath = (folder / "socket.ps").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path) << "TMPDIR too long";
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  int unix = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(unix, reinterpret_cast<sockaddr*>(&address), sizeof address),
            0);
  close(unix);
  ViewerRun r = run(GetParam().input);
  EXPECT_EQ(r.out, GetParam().output);
  EXPECT_EQ(r.status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProcessExitTest,
    testing::Values(
        ExitCase{"missing.ps\n", "Filename: Can't find file: missing.ps\n"},
        ExitCase{"", "Filename: Can't find file: \n"},
        ExitCase{"   \n", "Filename: Can't find file: \n"},
        ExitCase{"folder.ps\n", "Filename: Can't read file: folder.ps\n"},
        ExitCase{"pipe.ps\n", "Filename: Can't read file: pipe.ps\n"},
        ExitCase{"socket.ps\n", "Filename: Can't read file: socket.ps\n"},
        ExitCase{"/dev/zero\n", "Filename: Can't read file: /dev/zero\n"},
        ExitCase{"/dev/urandom\n", "Filename: Can't read file: /dev/urandom\n"},
        // A regular file whose read fails.
        ExitCase{"/proc/self/mem\n",
                 "Filename: Can't read file: /proc/self/mem\n"}));

}  // namespace
