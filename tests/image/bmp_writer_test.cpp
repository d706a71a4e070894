// BMP headers and writeBmpFile: exact bytes, and a failed save leaves the folder as it was.
#include "image/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "image/bmp_format.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

#ifndef _WIN32
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

// The 54 header bytes of a 24-bit W x H file with S pixel bytes, little-endian.
Bytes expectedHeaders(uint32_t width, uint32_t height, uint32_t imageBytes) {
  Bytes headers = "BM";
  for (uint32_t field : {imageBytes + 54, 0u, 54u, 40u, width, height, 1u | 24u << 16 /* biPlanes, biBitCount */, 0u,
                         imageBytes, 300u, 300u, 0u, 0u})
    for (int shift = 0; shift < 32; shift += 8) headers.push_back(char(field >> shift));
  return headers;
}

Bytes readFile(const fs::path& path) {
  return Bytes(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

// A fresh folder per case (padded with "x" to `length` characters when asked).
struct ScratchFolder {
  explicit ScratchFolder(size_t length = 0) {
    for (int n = 0;; ++n) {
      folder = fs::temp_directory_path() / ("slbmp" + std::to_string(n));
      if (folder.string().size() < length) folder += std::string(length - folder.string().size(), 'x');
      if (fs::create_directory(folder)) break;
    }
  }
  ~ScratchFolder() { std::error_code ignored; fs::remove_all(folder, ignored); }
  std::string operator/(const char* name) const { return (folder / name).string(); }
  std::set<std::string> entries() const {  // relative, forward slashes
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      names.insert(entry.path().lexically_relative(folder).generic_string());
    return names;
  }
  fs::path folder;
};

// Each failure returns 0 with the system's text (under Wine only its presence is checked), files untouched.
// Natively a 100-byte size limit fills the "disk": at the flush on close (512 x 1) or in fwrite (512 x 512).
TEST(BmpWriter, FailuresLeaveTheFolderAsItWas) {
  enum Handle { kBitmap, kBrush, kDeviceDependent, kFullAtClose, kFullInFwrite };
  const struct {
    const char* file;  // in the folder; nullptr: a null path, "": the empty path
    Handle handle;
    int error;  // errno natively; 0: no reason is given
  } cases[] = {
      {nullptr, kBitmap, 0}, {"", kBitmap, 0}, {"keep.bmp", kBrush, 0},
      {"missing/out.bmp", kBitmap, ENOENT}, {"locked.bmp", kBitmap, EACCES}, {"folder.bmp", kBitmap, EISDIR},
#ifdef _WIN32
      {"keep.bmp", kDeviceDependent, 0},
#else
      {"keep.bmp", kFullAtClose, EFBIG}, {"keep.bmp", kFullInFwrite, EFBIG},
#endif
  };
  const Bytes keep("old\0\xFF", 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    ScratchFolder folder;
    for (const char* name : {"keep.bmp", "locked.bmp"}) std::ofstream(folder / name, std::ios::binary) << keep;
    fs::permissions(folder / "locked.bmp", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory(folder / "folder.bmp");
    const OwnedGdiObject<HBITMAP> bitmap(createDisplayBitmap(512, c.handle == kFullInFwrite ? 512 : 1));
    HGDIOBJ handle = bitmap.get();
    if (c.handle == kBrush) handle = CreateSolidBrush(RGB(1, 2, 3));
#ifdef _WIN32
    if (c.handle == kDeviceDependent) handle = CreateCompatibleBitmap(ScreenDC().get(), 4, 4);
#else
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit lowered = {c.handle >= kFullAtClose ? 100 : saved.rlim_cur, saved.rlim_max};
    std::fflush(nullptr);
    signal(SIGXFSZ, SIG_IGN);  // so that the write fails instead
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
#endif
    std::string reason = "unset";
    EXPECT_EQ(writeBmpFile(!c.file ? nullptr : *c.file ? (folder / c.file).c_str() : "", HBITMAP(handle), &reason), 0);
#ifdef _WIN32
    EXPECT_EQ(reason.empty(), c.error == 0) << reason;
#else
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(reason, c.error ? std::strerror(c.error) : "");
#endif
    fs::permissions(folder / "locked.bmp", fs::perms::owner_write, fs::perm_options::add);  // to be deletable
    if (c.handle == kBrush || c.handle == kDeviceDependent) DeleteObject(handle);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"folder.bmp", "keep.bmp", "locked.bmp"}));
    for (const char* name : {"keep.bmp", "locked.bmp"}) EXPECT_EQ(readFile(folder / name), keep) << name;
  }
}

// Natively, as root, writes in a child that becomes "nobody", to whom the folder is closed.
int writeAsAnotherUser(const std::string& path, HBITMAP image) {
#ifdef _WIN32
  return writeBmpFile(path.c_str(), image);  // unused: Wine honours no folder rights
#else
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(writeBmpFile(path.c_str(), image));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The headers then the bitmap's memory, through a bare name too; a save over a file changes its bytes and
// nothing else: every name of it reads the new image, links stay links, a pipe a pipe, a hidden file hidden.
TEST(BmpWriter, SavesReachEveryNameAndKeepTheFileWhatItWas) {
  const OwnedGdiObject<HBITMAP> image(createDisplayBitmap(7, 5));
  uint8_t* bits = describeBitmap(image.get()).bits;
  for (int at = 0; at < 24 * 5; ++at) bits[at] = at % 24 < 21 ? uint8_t(at + 1) : 0;  // no two rows alike
  const Bytes newImage = expectedHeaders(7, 5, 24 * 5) + Bytes(reinterpret_cast<const char*>(bits), 24 * 5);
  {
    ScratchFolder reference;
    const fs::path previous = fs::current_path();
    fs::current_path(reference.folder);
    EXPECT_EQ(writeBmpFile("ref.bmp", image.get()), 1);
    fs::current_path(previous);
    EXPECT_TRUE(readFile(reference / "ref.bmp") == newImage);
    EXPECT_EQ(reference.entries(), std::set<std::string>{"ref.bmp"}) << "temporary left behind";
  }
  // Saves to `destination`, then checks the names holding the new image and the folder's entries.
  const auto save = [&](const ScratchFolder& f, const char* destination, std::vector<const char*> newImageAt,
                        std::set<std::string> entries, bool anotherUser = false) {
    SCOPED_TRACE(destination);
    const std::string path = f / destination;
    EXPECT_EQ(anotherUser ? writeAsAnotherUser(path, image.get()) : writeBmpFile(path.c_str(), image.get()), 1)
        << path.size() << " characters";
    fs::permissions(f.folder, fs::perms::owner_all, fs::perm_options::add);
    for (const char* name : newImageAt) EXPECT_TRUE(readFile(f / name) == newImage) << name << " is not the new image";
    EXPECT_EQ(f.entries(), entries);
  };
  const auto old = [](const ScratchFolder& f, const char* name) {  // longer than the new file
    std::ofstream(f / name, std::ios::binary) << Bytes(1000, 'o');
  };
  {
    ScratchFolder f;
    old(f, "a.bmp");
    fs::create_hard_link(f / "a.bmp", f / "b.bmp");
    save(f, "a.bmp", {"a.bmp", "b.bmp"}, {"a.bmp", "b.bmp"});
  }
  {  // 252 characters, within MAX_PATH, but no room for a temporary beside (an old file: the links' case)
    ScratchFolder f(245);
    save(f, "ab.bmp", {"ab.bmp"}, {"ab.bmp"});
  }
#ifdef _WIN32
  ScratchFolder hidden;
  old(hidden, "a.bmp");
  SetFileAttributesA((hidden / "a.bmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
  save(hidden, "a.bmp", {"a.bmp"}, {"a.bmp"});
  EXPECT_TRUE(GetFileAttributesA((hidden / "a.bmp").c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
  {  // a chain of links, through a folder, to a file not there yet
    ScratchFolder f;
    fs::create_directory(f / "sub");
    fs::create_symlink("sub/hop.bmp", f / "link.bmp");
    fs::create_symlink("new.bmp", f / "sub/hop.bmp");
    save(f, "link.bmp", {"sub/new.bmp"}, {"link.bmp", "sub", "sub/hop.bmp", "sub/new.bmp"});
    EXPECT_TRUE(fs::is_symlink(f / "link.bmp") && fs::is_symlink(f / "sub/hop.bmp"));
  }
  {  // a writable file in a folder closed to new files
    ScratchFolder f;
    old(f, "a.bmp");
    fs::permissions(f / "a.bmp", fs::perms(0666));
    fs::permissions(f.folder, fs::perms(0555));
    save(f, "a.bmp", {"a.bmp"}, {"a.bmp"}, true);
  }
  {
    ScratchFolder f;
    mkfifo((f / "pipe.bmp").c_str(), 0666);
    const int reader = ::open((f / "pipe.bmp").c_str(), O_RDONLY | O_NONBLOCK);  // so that the writer need not wait
    save(f, "pipe.bmp", {}, {"pipe.bmp"});
    Bytes received(4096, '\0');
    received.resize(size_t(std::max<ssize_t>(0, read(reader, &received[0], received.size()))));
    close(reader);
    EXPECT_TRUE(fs::is_fifo(f / "pipe.bmp") && received == newImage);
  }
  {  // replaced through a temporary, the file keeps the permissions it had
    ScratchFolder f;
    old(f, "a.bmp");
    fs::permissions(f / "a.bmp", fs::perms(0640));
    save(f, "a.bmp", {"a.bmp"}, {"a.bmp"});
    EXPECT_EQ(fs::status(f / "a.bmp").permissions(), fs::perms(0640));
  }
#endif
}

#ifndef _WIN32
// When set, someone else's file appears at the next temporary name just before it is opened.
bool g_plantAtTemporary = false;
std::string g_planted;

void plantIfTemporary(const char* path) {
  if (!g_plantAtTemporary || !std::strstr(path, "/~sl")) return;
  g_plantAtTemporary = false;
  std::ofstream(g_planted = path, std::ios::binary) << "someone else's";
}

TEST(BmpWriter, AFileAppearingWhereTheTemporaryGoesKeepsItsBytes) {
  ScratchFolder folder;
  const OwnedGdiObject<HBITMAP> image(createDisplayBitmap(7, 5));
  g_plantAtTemporary = true;
  EXPECT_EQ(writeBmpFile((folder / "out.bmp").c_str(), image.get()), 1);
  ASSERT_FALSE(g_plantAtTemporary) << "no file was planted";
  EXPECT_EQ(readFile(g_planted), "someone else's");
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"out.bmp", fs::path(g_planted).filename().string()}));
}
#endif

}  // namespace

#ifndef _WIN32
// The C library's open, with the planting above.
extern "C" int open(const char* path, int flags, ...) {
  static const auto real = reinterpret_cast<int (*)(const char*, int, ...)>(dlsym(RTLD_NEXT, "open"));
  mode_t mode = 0;
  if (flags & O_CREAT) {
    va_list arguments;
    va_start(arguments, flags);
    mode = va_arg(arguments, mode_t);
    va_end(arguments);
  }
  plantIfTemporary(path);
  return real(path, flags, mode);
}
#endif
