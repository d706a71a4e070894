// A save killed part-way: a child runs runCli writing a 36 MB BMP over an
// existing file and gets SIGKILL at chosen points of the write. The destination
// then holds the old bytes or the whole new file, never a mix; at most one stale
// temporary is left beside it, and the next save still works.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/cli_args.h"
#include "cli/render_command.h"

namespace {

namespace fs = std::filesystem;

std::FILE* const devNull = std::fopen("/dev/null", "w");  // for the line each save prints

std::string readFile(const fs::path& path) {
  return std::string(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

int render(const fs::path& output) {
  const char* argv[] = {"shadeloom-render", "--type", "Diagonal RL", "--size", "4000x3000",
                        "--start",          "#102030", "--end", "#F0E0D0", "-o", output.c_str()};
  return runCli(int(std::size(argv)), argv, devNull, stderr);
}

TEST(InterruptedSave, KilledMidWriteLeavesTheOldFileOrTheWholeNewOne) {
  const fs::path folder = fs::temp_directory_path() / ("sl-kill-" + std::to_string(getpid())),
                 destination = folder / "picture.bmp";
  fs::create_directories(folder);
  ASSERT_EQ(render(destination), kExitOk);
  const std::string newBytes = readFile(destination), oldBytes(1000, '\x3C');
  // Kill once a temporary holds this many thousandths of the new file (1000: the fsync or rename window).
  int killedPartWay = 0;
  for (int share : {1, 250, 500, 900, 1000}) {
    SCOPED_TRACE("kill at " + std::to_string(share) + "/1000 of the file");
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());  // earlier stale temporaries
    std::ofstream(destination, std::ios::binary) << oldBytes << std::flush;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(render(destination));
    int status = 0, partial = 0;
    for (; waitpid(child, &status, WNOHANG) == 0; usleep(200))
      for (const auto& entry : fs::directory_iterator(folder)) {
        std::error_code gone;  // renamed away meanwhile
        const uintmax_t size = entry.path() == destination ? 0 : fs::file_size(entry.path(), gone);
        if (!gone && size >= newBytes.size() * share / 1000) partial = !kill(child, SIGKILL) && size < newBytes.size();
      }
    const bool killed = WIFSIGNALED(status);
    killedPartWay += killed && partial;
    const std::string now = readFile(destination);
    EXPECT_TRUE(now == newBytes || (killed && now == oldBytes))
        << now.size() << " bytes, old " << oldBytes.size() << ", new " << newBytes.size() << ", killed " << killed;
    EXPECT_LE(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), killed ? 2 : 1)
        << "files in the folder, the destination and its temporaries (killed " << killed << ")";
  }
  EXPECT_GT(killedPartWay, 0) << "no kill landed while the temporary was still being written";
  ASSERT_EQ(render(destination), kExitOk) << "a stale temporary must not stop the next save";
  fs::remove_all(folder);
}

}  // namespace

#endif  // _WIN32
