// A save killed part-way: a child process runs shadeloom-render's command line
// (runCli) writing a 36 MB BMP over an existing file and is sent SIGKILL at
// chosen points of the write. Afterwards the destination holds either the old
// bytes or the whole new file, never a mix; what the killed process can leave
// is one stale temporary beside it, and the next save still works.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_args.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 4000, kHeight = 3000;
constexpr uint64_t kFileBytes = 54 + uint64_t(kWidth) * 3 * kHeight;  // rows need no padding

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int render(const fs::path& output) {
  const std::string out = output.string();
  const char* argv[] = {"shadeloom-render", "--type", "Diagonal RL", "--size", "4000x3000",
                        "--start",          "#102030", "--end", "#F0E0D0", "-o", out.c_str()};
  std::FILE* sink = std::fopen("/dev/null", "w");
  const int code = runCli(int(sizeof argv / sizeof argv[0]), argv, sink, sink);
  std::fclose(sink);
  return code;
}

// The temporaries in `folder`: every entry but the destination.
std::vector<fs::path> temporaries(const fs::path& folder, const std::string& destination) {
  std::vector<fs::path> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.path().filename() != destination) found.push_back(entry.path());
  return found;
}

TEST(InterruptedSave, KilledMidWriteLeavesTheOldFileOrTheWholeNewOne) {
  const fs::path folder = fs::temp_directory_path() / ("sl-kill-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path reference = fs::temp_directory_path() / ("sl-kill-ref-" + std::to_string(getpid()) + ".bmp");
  ASSERT_EQ(render(reference), kExitOk);
  const Bytes expectedNew = readFile(reference);
  fs::remove(reference);
  ASSERT_EQ(expectedNew.size(), kFileBytes);

  const fs::path destination = folder / "picture.bmp";
  const Bytes old(1000, 0x3C);
  // Kill once the temporary holds this share of the file (in thousandths);
  // the last waits until it is complete, in the fsync or rename window.
  const int shares[] = {1, 250, 500, 900, 1000};
  int killedPartWay = 0;
  for (int share : shares) {
    SCOPED_TRACE("kill at " + std::to_string(share) + "/1000 of the file");
    for (const fs::path& stale : temporaries(folder, destination.filename().string())) fs::remove(stale);
    {
      std::ofstream out(destination, std::ios::binary);
      out.write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(render(destination));

    const uint64_t threshold = kFileBytes * uint64_t(share) / 1000;
    bool sawPartial = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
      for (const fs::path& temporary : temporaries(folder, destination.filename().string())) {
        std::error_code error;
        const uint64_t size = fs::file_size(temporary, error);
        if (!error && size >= threshold && size > 0) {
          sawPartial = size < kFileBytes;
          kill(child, SIGKILL);
        }
      }
      if (std::chrono::steady_clock::now() > deadline) kill(child, SIGKILL);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const bool killed = WIFSIGNALED(status);
    if (killed && sawPartial) ++killedPartWay;
    std::printf("note: kill at %d/1000: %s\n", share,
                !killed ? "the save had finished" : sawPartial ? "killed while writing" : "killed after writing");

    const Bytes now = readFile(destination);
    const bool isOld = now == old;
    const bool isNew = now == expectedNew;
    EXPECT_TRUE(isOld || isNew) << "destination is a mix: " << now.size() << " bytes, old " << old.size()
                                << ", new " << expectedNew.size();
    if (killed) {
      EXPECT_LE(temporaries(folder, destination.filename().string()).size(), 1u)
          << "more than the one temporary of the killed save";
    } else {
      EXPECT_TRUE(isNew) << "the save finished (exit " << WEXITSTATUS(status) << ") but the file is not new";
      EXPECT_TRUE(temporaries(folder, destination.filename().string()).empty());
    }
  }
  EXPECT_GT(killedPartWay, 0) << "no kill landed while the temporary was still being written";

  // A stale temporary of a killed save does not stop the next one.
  ASSERT_EQ(render(destination), kExitOk);
  EXPECT_TRUE(readFile(destination) == expectedNew);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace

#endif  // _WIN32
