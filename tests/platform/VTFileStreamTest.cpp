#include "platform/VTFileStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "support/FsLinks.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/VTPlatformWin.h"
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

using vtplatform::EVTPlatformError;
using vtplatform::TVTFileStream;
using TMode = vtplatform::TVTFileStream::TMode;

namespace {

// A small buffer makes every test cross many buffer boundaries.
constexpr size_t kSmallBuffer = 16;

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return v;
}

void WriteFile(const std::wstring& path, const std::vector<uint8_t>& data) {
  TVTFileStream f(path, TMode::Create, kSmallBuffer);
  f.Write(data.data(), data.size());
  f.Flush();
}

std::vector<uint8_t> ReadAll(const std::wstring& path) {
  TVTFileStream f(path, TMode::Read);
  std::vector<uint8_t> v(static_cast<size_t>(f.Size()));
  EXPECT_EQ(f.Read(v.data(), v.size()), v.size());
  return v;
}

}  // namespace

TEST(VTFileStream, RoundTripInRandomChunksAcrossBufferBoundaries) {
  TTempDir dir;
  // A non-ASCII name checks the conversion to the system's file names as well.
  const std::wstring path = dir.File(L"round-trip-\u00e9\u20ac.bin");
  const std::vector<uint8_t> data = Pattern(5000);
  std::mt19937 rng(12345);
  // Chunk sizes from empty through several buffers' worth, so both the buffered and the
  // direct paths run.
  std::uniform_int_distribution<size_t> chunk(0, 3 * kSmallBuffer + 5);

  {
    TVTFileStream f(path, TMode::Create, kSmallBuffer);
    size_t pos = 0;
    while (pos < data.size()) {
      const size_t n = std::min(chunk(rng), data.size() - pos);
      f.Write(data.data() + pos, n);
      pos += n;
      ASSERT_EQ(f.Position(), static_cast<int64_t>(pos));
      ASSERT_EQ(f.Size(), static_cast<int64_t>(pos));  // unflushed bytes included
    }
    // The destructor flushes the last buffer.
  }

  TVTFileStream f(path, TMode::Read, kSmallBuffer);
  EXPECT_EQ(f.Size(), static_cast<int64_t>(data.size()));
  std::vector<uint8_t> got;
  std::vector<uint8_t> tmp(4 * kSmallBuffer);
  for (;;) {
    const size_t want = chunk(rng);
    const size_t n = f.Read(tmp.data(), want);
    ASSERT_LE(n, want);
    got.insert(got.end(), tmp.begin(), tmp.begin() + static_cast<ptrdiff_t>(n));
    ASSERT_EQ(f.Position(), static_cast<int64_t>(got.size()));
    if (n < want) break;  // a short count means the end of the file
  }
  EXPECT_EQ(got, data);
  EXPECT_EQ(f.Read(tmp.data(), 1), 0u);
  EXPECT_EQ(f.Read(tmp.data(), tmp.size()), 0u);
}

TEST(VTFileStream, SeeksInsideAndOutsideTheBuffer) {
  TTempDir dir;
  const std::wstring path = dir.File(L"seek.bin");
  const std::vector<uint8_t> data = Pattern(1000);
  WriteFile(path, data);

  struct TCase {
    int64_t seek;
    size_t want;
    size_t expect;  // bytes the read yields
  };
  // Consecutive steps on one stream: forward and backward within the buffered bytes, far
  // forward and back, reads larger than the buffer, and reads at and past the end.
  const TCase steps[] = {
      {0, 3, 3},      {10, 2, 2},     {1, 5, 5},     {15, 4, 4},   {500, 1, 1},
      {490, 8, 8},    {506, 20, 20},  {2, 100, 100}, {999, 1, 1},  {998, 10, 2},
      {1000, 5, 0},   {1500, 5, 0},   {0, 1000, 1000}, {300, 0, 0}, {995, 40, 5},
      {17, 16, 16},   {33, 1, 1},
  };
  TVTFileStream f(path, TMode::Read, kSmallBuffer);
  for (const TCase& c : steps) {
    SCOPED_TRACE("seek " + std::to_string(c.seek) + " read " + std::to_string(c.want));
    f.Seek(c.seek);
    ASSERT_EQ(f.Position(), c.seek);
    std::vector<uint8_t> buf(c.want + 1, 0xEE);
    const size_t n = f.Read(buf.data(), c.want);
    ASSERT_EQ(n, c.expect);
    EXPECT_EQ(f.Position(), c.seek + static_cast<int64_t>(n));
    for (size_t i = 0; i < n; ++i)
      ASSERT_EQ(buf[i], data[static_cast<size_t>(c.seek) + i]) << "byte " << i;
    EXPECT_EQ(buf[c.want], 0xEE) << "read wrote past the count asked for";
  }
}

TEST(VTFileStream, SeekInsideTheBufferKeepsTheBufferedBytes) {
  TTempDir dir;
  const std::wstring path = dir.File(L"keep.bin");
  WriteFile(path, std::vector<uint8_t>(64, 'a'));

  TVTFileStream reader(path, TMode::Read, kSmallBuffer);
  uint8_t b = 0;
  ASSERT_EQ(reader.Read(&b, 1), 1u);  // fills the first 16 bytes

  // Another writer changes the file behind the reader's back.
  WriteFile(path, std::vector<uint8_t>(64, 'b'));

  // Moving back inside the buffer serves the bytes read before: no new system read.
  reader.Seek(0);
  ASSERT_EQ(reader.Read(&b, 1), 1u);
  EXPECT_EQ(b, 'a');
  reader.Seek(kSmallBuffer - 1);
  ASSERT_EQ(reader.Read(&b, 1), 1u);
  EXPECT_EQ(b, 'a');
  // Outside it the stream reads the file again.
  reader.Seek(40);
  ASSERT_EQ(reader.Read(&b, 1), 1u);
  EXPECT_EQ(b, 'b');
  reader.Seek(0);
  ASSERT_EQ(reader.Read(&b, 1), 1u);
  EXPECT_EQ(b, 'b');
}

TEST(VTFileStream, SeekAndOverwriteWhileWriting) {
  TTempDir dir;
  const std::wstring path = dir.File(L"overwrite.bin");
  std::vector<uint8_t> expect = Pattern(100);
  {
    TVTFileStream f(path, TMode::Create, kSmallBuffer);
    f.Write(expect.data(), 60);
    f.Seek(10);
    EXPECT_EQ(f.Position(), 10);
    f.Write("XYZ", 3);
    EXPECT_EQ(f.Position(), 13);
    EXPECT_EQ(f.Size(), 60);  // overwriting does not grow the file
    f.Seek(60);
    f.Write(expect.data() + 60, 40);
    EXPECT_EQ(f.Size(), 100);
    // Past the end: the gap reads back as zeros.
    f.Seek(110);
    f.Write("!", 1);
    EXPECT_EQ(f.Position(), 111);
    EXPECT_EQ(f.Size(), 111);
  }
  std::copy_n("XYZ", 3, expect.begin() + 10);
  expect.resize(110, 0);
  expect.push_back('!');
  EXPECT_EQ(ReadAll(path), expect);
}

TEST(VTFileStream, WritesLargerThanTheBuffer) {
  TTempDir dir;
  const std::wstring path = dir.File(L"large.bin");
  const std::vector<uint8_t> data = Pattern(1000);
  {
    TVTFileStream f(path, TMode::Create, kSmallBuffer);
    f.Write(data.data(), 5);            // buffered
    f.Write(data.data() + 5, 200);      // drains the buffer, then goes straight out
    f.Write(data.data() + 205, 3);
    f.Write(data.data() + 208, 792);
    EXPECT_EQ(f.Position(), 1000);
    EXPECT_EQ(f.Size(), 1000);
  }
  EXPECT_EQ(ReadAll(path), data);
}

TEST(VTFileStream, FlushMakesBytesVisibleToReaders) {
  TTempDir dir;
  const std::wstring path = dir.File(L"shared.bin");
  const std::vector<uint8_t> data = Pattern(300);

  TVTFileStream writer(path, TMode::Create, kSmallBuffer);
  writer.Write(data.data(), 100);
  writer.Flush();

  // Readers may open the file while it is open for writing, and alongside each other.
  TVTFileStream reader(path, TMode::Read, kSmallBuffer);
  TVTFileStream second(path, TMode::Read, kSmallBuffer);
  EXPECT_EQ(reader.Size(), 100);
  std::vector<uint8_t> got(300);
  ASSERT_EQ(reader.Read(got.data(), 300), 100u);

  writer.Write(data.data() + 100, 200);
  writer.Flush();
  EXPECT_EQ(reader.Size(), 300);
  ASSERT_EQ(reader.Read(got.data() + 100, 200), 200u);
  EXPECT_EQ(got, data);

  std::vector<uint8_t> all(300);
  EXPECT_EQ(second.Read(all.data(), 300), 300u);
  EXPECT_EQ(all, data);
}

TEST(VTFileStream, OpenErrorsNameTheFile) {
  TTempDir dir;
  const std::wstring missing = dir.File(L"no-such-file.xmi");
  const std::wstring inMissingDir = vtplatform::JoinPath(dir.File(L"no-such-dir"), L"out.txt");
  struct TCase {
    std::wstring path;
    TMode mode;
  };
  const TCase cases[] = {{missing, TMode::Read}, {inMissingDir, TMode::Create}, {dir.Path(), TMode::Read}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(vtplatform::ToUtf8(c.path));
    try {
      TVTFileStream f(c.path, c.mode);
      ADD_FAILURE() << "opened";
    } catch (const EVTPlatformError& e) {
      const std::string msg = e.what();
      const std::string name = vtplatform::ToUtf8(c.path);
      const size_t at = msg.find(name);
      ASSERT_NE(at, std::string::npos) << msg;
      EXPECT_EQ(msg.find("Cannot "), 0u) << msg;
      // The system's reason follows the name.
      const std::string reason = msg.substr(at + name.size());
      EXPECT_EQ(reason.substr(0, 2), ": ") << msg;
      EXPECT_GT(reason.size(), 2u) << msg;
    }
  }
  EXPECT_FALSE(vtplatform::FileExists(inMissingDir));
}

TEST(VTFileStream, MisuseRaises) {
  TTempDir dir;
  const std::wstring path = dir.File(L"misuse.bin");
  WriteFile(path, Pattern(10));
  uint8_t b[4];
  {
    TVTFileStream f(path, TMode::Read, kSmallBuffer);
    EXPECT_THROW(f.Write(b, 1), EVTPlatformError);
    EXPECT_THROW(f.Seek(-1), EVTPlatformError);
  }
  TVTFileStream f(path, TMode::Create, kSmallBuffer);
  f.Write("ab", 2);
  EXPECT_THROW(f.Read(b, 1), EVTPlatformError);
  EXPECT_EQ(f.Read(b, 0), 0u);
}

TEST(VTFileStream, OffsetsBeyond4GiB) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a sparse file, which the Windows file systems do not make by default";
#else
  TTempDir dir;
  const std::wstring path = dir.File(L"sparse.bin");
  const int64_t beyond = (int64_t(1) << 32) + 5;
  try {
    TVTFileStream f(path, TMode::Create, kSmallBuffer);
    f.Seek(beyond);
    f.Write("abc", 3);
    EXPECT_EQ(f.Position(), beyond + 3);
    EXPECT_EQ(f.Size(), beyond + 3);
    f.Flush();
  } catch (const EVTPlatformError& e) {
    GTEST_SKIP() << "the file system refuses a sparse file this large: " << e.what();
  }
  TVTFileStream f(path, TMode::Read, kSmallBuffer);
  EXPECT_EQ(f.Size(), beyond + 3);
  f.Seek(beyond - 2);
  char buf[8] = {};
  ASSERT_EQ(f.Read(buf, sizeof buf), 5u);
  EXPECT_EQ(std::string(buf, 5), std::string("\0\0abc", 5));
  EXPECT_EQ(f.Position(), beyond + 3);
  // Back inside the buffered bytes, then to the start (which is outside).
  f.Seek(beyond + 1);
  ASSERT_EQ(f.Read(buf, 2), 2u);
  EXPECT_EQ(std::string(buf, 2), "bc");
  f.Seek(0);
  EXPECT_EQ(f.Position(), 0);
  ASSERT_EQ(f.Read(buf, 1), 1u);
  EXPECT_EQ(buf[0], 0);
#endif
}

// What may lie at a path that Create writes: links planted in the output folder, a hard
// link, and the file an earlier run wrote. Create must leave everything outside alone and
// end with a regular file holding exactly the new bytes.
TEST(VTFileStream, CreateReplacesLinksAndNeverWritesThroughThem) {
  enum class TLayout { EarlierOutput, LinkToFile, DanglingLink, LinkToFolder, HardLink };
  const struct {
    const char* what;
    TLayout layout;
  } cases[] = {
      {"an earlier, longer output file", TLayout::EarlierOutput},
      {"a link to a file outside", TLayout::LinkToFile},
      {"a dangling link", TLayout::DanglingLink},
      {"a link to a folder outside", TLayout::LinkToFolder},
      {"a hard link to a file outside", TLayout::HardLink},
  };
  const std::vector<uint8_t> secret = {'k', 'e', 'e', 'p', ' ', 'm', 'e', '!', '!', '!'};
  const std::vector<uint8_t> fresh = {'n', 'e', 'w'};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const bool symlink = c.layout == TLayout::LinkToFile || c.layout == TLayout::DanglingLink ||
                         c.layout == TLayout::LinkToFolder;
    if (symlink && vttest::RunsUnderWine()) {
      // wine shows a Unix link to a file as the file and deletes targets through links.
      std::printf("[ SKIPPED  ] %s: wine cannot represent this link\n", c.what);
      continue;
    }
    TTempDir dir;
    const std::wstring outside = dir.File(L"outside");
    const std::wstring secretFile = vtplatform::JoinPath(outside, L"secret.txt");
    const std::wstring absent = vtplatform::JoinPath(outside, L"absent.txt");
    const std::wstring inside = dir.File(L"out");
    ASSERT_TRUE(vtplatform::ForceDirectories(outside));
    ASSERT_TRUE(vtplatform::ForceDirectories(inside));
    WriteFile(secretFile, secret);
    const std::wstring path = vtplatform::JoinPath(inside, L"ALLOC.txt");
    std::string made;
    switch (c.layout) {
      case TLayout::EarlierOutput: WriteFile(path, secret); break;
      case TLayout::LinkToFile: made = vttest::MakeLink(secretFile, path, vttest::TLinkKind::File); break;
      case TLayout::DanglingLink: made = vttest::MakeLink(absent, path, vttest::TLinkKind::File); break;
      case TLayout::LinkToFolder: made = vttest::MakeLink(outside, path, vttest::TLinkKind::Folder); break;
      case TLayout::HardLink: made = vttest::MakeLink(secretFile, path, vttest::TLinkKind::Hard); break;
    }
    if (!made.empty()) {
      std::printf("[ SKIPPED  ] %s: %s\n", c.what, made.c_str());
      continue;
    }
    {
      TVTFileStream f(path, TMode::Create, kSmallBuffer);
      f.Write(fresh.data(), fresh.size());
      f.Close();
    }
    EXPECT_TRUE(vttest::IsPlainFile(path));
    EXPECT_EQ(ReadAll(path), fresh);
    EXPECT_EQ(ReadAll(secretFile), secret);
    EXPECT_FALSE(vtplatform::FileExists(absent));
    EXPECT_FALSE(vtplatform::DirectoryExists(absent));
    EXPECT_FALSE(vtplatform::FileExists(vtplatform::JoinPath(outside, L"ALLOC.txt")));
  }
}

// The reason the system gives follows the file's name in every create error.
TEST(VTFileStream, CreateErrorsGiveTheReason) {
  TTempDir dir;
  const std::wstring folder = dir.File(L"a-folder");
  const std::wstring plain = dir.File(L"plain.txt");
  ASSERT_TRUE(vtplatform::ForceDirectories(folder));
  WriteFile(plain, Pattern(3));
  struct TCase {
    const char* what;
    std::wstring path;
    std::string reason;  // the end of the message
  };
  std::vector<TCase> cases = {
#ifdef _WIN32
      {"a folder of that name", folder, ": a folder of that name exists"},
      {"a parent that is a file", vtplatform::JoinPath(plain, L"x.txt"),
       ": " + vtplatform::LastErrorText(ERROR_PATH_NOT_FOUND)},
#else
      {"a folder of that name", folder, ": Is a directory"},
      {"a parent that is a file", vtplatform::JoinPath(plain, L"x.txt"), ": Not a directory"},
#endif
  };
#ifndef _WIN32
  // A FIFO would block a writer: refused at once. Permission checks do not apply to root.
  const std::wstring fifo = dir.File(L"fifo.txt");
  ASSERT_EQ(::mkfifo(vtplatform::NativePath(fifo).c_str(), 0600), 0);
  cases.push_back({"a FIFO of that name", fifo, ": a special file (device, FIFO or socket) of that name exists"});
  const std::wstring locked = dir.File(L"locked");
  ASSERT_TRUE(vtplatform::ForceDirectories(locked));
  ::chmod(vtplatform::NativePath(locked).c_str(), 0555);
  if (::geteuid() != 0)
    cases.push_back({"a read-only folder", vtplatform::JoinPath(locked, L"x.txt"), ": Permission denied"});
#endif
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      TVTFileStream f(c.path, TMode::Create);
      ADD_FAILURE() << "created";
    } catch (const EVTPlatformError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + vtplatform::ToUtf8(c.path) + c.reason);
    }
  }
  EXPECT_TRUE(vtplatform::DirectoryExists(folder));
  EXPECT_EQ(ReadAll(plain), Pattern(3));
}

#ifndef _WIN32
// A write the system refuses (here: beyond the process's file size limit, as a full disk
// would) is reported with the reason, at the latest by Close, never lost in the destructor.
TEST(VTFileStream, WriteErrorsReachTheCaller) {
  TTempDir dir;
  const std::wstring path = dir.File(L"big.bin");
  struct rlimit old;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    TVTFileStream f(path, TMode::Create, 1024);
    const std::vector<uint8_t> data = Pattern(500);
    f.Write(data.data(), data.size());  // buffered: nothing written yet
    f.Close();
  } catch (const EVTPlatformError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "Cannot write file " + vtplatform::ToUtf8(path) + ": File too large");
}
#endif
