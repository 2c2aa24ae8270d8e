// Buffered file stream. The buffering is the same everywhere; the Raw* members and the
// open/close/size calls below are the only operating-system specific parts.
//
// Reading: FBuf holds the file bytes [FBufPos, FBufPos + FEnd) and the next byte to hand
// out is FBuf[FCur]; the system's file pointer stands at FBufPos + FEnd.
// Writing: FBuf holds the unwritten bytes [FBufPos, FBufPos + FCur) (FEnd == FCur, so the
// inline Read never takes bytes from a write buffer); the file pointer stands at FBufPos.
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64
#endif

#include "platform/VTFileStream.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include "platform/VTPlatformWin.h"
#else
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace vtplatform {

namespace {

// Largest single read or write handed to the system (the Windows calls take a DWORD).
constexpr size_t kMaxChunk = size_t(1) << 30;

#ifdef _WIN32
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::string SystemReason() { return LastErrorText(::GetLastError()); }
#else
std::string SystemReason() { return ::strerror(errno); }
#endif

[[noreturn]] void Fail(const char* what, const std::wstring& name) {
  // Take the reason first: building the message may disturb errno / GetLastError.
  const std::string reason = SystemReason();
  throw EVTPlatformError(std::string(what) + " " + ToUtf8(name) + ": " + reason);
}

}  // namespace

TVTFileStream::TVTFileStream(const std::wstring& path, TMode mode, size_t bufferSize)
    : FName(path), FMode(mode), FBuf(std::max<size_t>(bufferSize, 1)) {
#ifdef _WIN32
  HANDLE h;
  if (mode == TMode::Read)
    h = ::CreateFileW(path.c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  else
    h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail(mode == TMode::Read ? "Cannot open file" : "Cannot create file", path);
  FHandle = reinterpret_cast<intptr_t>(h);
#else
  const std::string native = NativePath(path);
  int fd;
  do {
    fd = mode == TMode::Read ? ::open(native.c_str(), O_RDONLY | O_CLOEXEC)
                             : ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Fail(mode == TMode::Read ? "Cannot open file" : "Cannot create file", path);
  if (mode == TMode::Read) {
    // open() accepts a folder for reading; reading it would fail later with a vaguer message.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      errno = EISDIR;
      Fail("Cannot open file", path);
    }
  }
  FHandle = fd;
#endif
}

TVTFileStream::~TVTFileStream() {
  try {
    if (FMode == TMode::Create) FlushWrite();
  } catch (...) {
    // A destructor must not throw; callers who need to know call Flush first.
  }
#ifdef _WIN32
  ::CloseHandle(AsHandle(FHandle));
#else
  ::close(static_cast<int>(FHandle));
#endif
}

int64_t TVTFileStream::Size() {
  int64_t size;
#ifdef _WIN32
  LARGE_INTEGER li;
  if (!::GetFileSizeEx(AsHandle(FHandle), &li)) Fail("Cannot get the size of file", FName);
  size = li.QuadPart;
#else
  struct stat st;
  if (::fstat(static_cast<int>(FHandle), &st) != 0) Fail("Cannot get the size of file", FName);
  size = st.st_size;
#endif
  if (FMode == TMode::Create) size = std::max(size, FBufPos + static_cast<int64_t>(FEnd));
  return size;
}

void TVTFileStream::Seek(int64_t pos) {
  if (pos < 0) throw EVTPlatformError("Cannot seek before the start of file " + ToUtf8(FName));
  if (FMode == TMode::Read) {
    // Inside the bytes already buffered: just move the cursor.
    if (pos >= FBufPos && pos <= FBufPos + static_cast<int64_t>(FEnd)) {
      FCur = static_cast<size_t>(pos - FBufPos);
      return;
    }
    RawSeek(pos);
    FBufPos = pos;
    FCur = FEnd = 0;
    return;
  }
  if (pos == Position()) return;
  FlushWrite();
  RawSeek(pos);
  FBufPos = pos;
}

size_t TVTFileStream::ReadSlow(uint8_t* dst, size_t n) {
  if (FMode != TMode::Read)
    throw EVTPlatformError("File " + ToUtf8(FName) + " is not open for reading");
  // Hand out what the buffer still holds.
  size_t done = FEnd - FCur;
  if (done) std::memcpy(dst, FBuf.data() + FCur, done);
  FCur = FEnd;
  if (n - done >= FBuf.size()) {
    // A large read goes straight to the system; the buffer starts afresh after it.
    FBufPos += static_cast<int64_t>(FEnd);
    FCur = FEnd = 0;
    while (done < n) {
      const size_t got = RawRead(dst + done, n - done);
      if (got == 0) break;
      done += got;
      FBufPos += static_cast<int64_t>(got);
    }
    return done;
  }
  while (done < n) {
    FBufPos += static_cast<int64_t>(FEnd);
    FCur = FEnd = 0;
    FEnd = RawRead(FBuf.data(), FBuf.size());
    if (FEnd == 0) break;
    const size_t take = std::min(FEnd, n - done);
    std::memcpy(dst + done, FBuf.data(), take);
    FCur = take;
    done += take;
  }
  return done;
}

void TVTFileStream::WriteSlow(const void* src, size_t n) {
  if (FMode != TMode::Create)
    throw EVTPlatformError("File " + ToUtf8(FName) + " is not open for writing");
  if (n == 0) return;
  if (FCur + n > FBuf.size()) {
    FlushWrite();
    if (n >= FBuf.size()) {
      RawWrite(src, n);
      FBufPos += static_cast<int64_t>(n);
      return;
    }
  }
  std::memcpy(FBuf.data() + FCur, src, n);
  FCur += n;
  FEnd = FCur;
  FDirty = true;
}

void TVTFileStream::Flush() {
  if (FMode == TMode::Create) FlushWrite();
}

void TVTFileStream::FlushWrite() {
  if (!FDirty) return;
  RawWrite(FBuf.data(), FCur);
  FBufPos += static_cast<int64_t>(FCur);
  FCur = FEnd = 0;
  FDirty = false;
}

size_t TVTFileStream::RawRead(void* dst, size_t n) {
  n = std::min(n, kMaxChunk);
#ifdef _WIN32
  DWORD got = 0;
  if (!::ReadFile(AsHandle(FHandle), dst, static_cast<DWORD>(n), &got, nullptr))
    Fail("Cannot read file", FName);
  return got;
#else
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(FHandle), dst, n);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) Fail("Cannot read file", FName);
  }
#endif
}

void TVTFileStream::RawWrite(const void* src, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(src);
  while (n > 0) {
    const size_t chunk = std::min(n, kMaxChunk);
#ifdef _WIN32
    DWORD put = 0;
    if (!::WriteFile(AsHandle(FHandle), p, static_cast<DWORD>(chunk), &put, nullptr))
      Fail("Cannot write file", FName);
    if (put == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      Fail("Cannot write file", FName);
    }
#else
    const ssize_t put = ::write(static_cast<int>(FHandle), p, chunk);
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write file", FName);
    }
    if (put == 0) {
      errno = EIO;
      Fail("Cannot write file", FName);
    }
#endif
    p += put;
    n -= static_cast<size_t>(put);
  }
}

void TVTFileStream::RawSeek(int64_t pos) {
#ifdef _WIN32
  LARGE_INTEGER li;
  li.QuadPart = pos;
  if (!::SetFilePointerEx(AsHandle(FHandle), li, nullptr, FILE_BEGIN))
    Fail("Cannot seek in file", FName);
#else
  static_assert(sizeof(off_t) >= 8, "64-bit file offsets are required");
  if (::lseek(static_cast<int>(FHandle), static_cast<off_t>(pos), SEEK_SET) < 0)
    Fail("Cannot seek in file", FName);
#endif
}

}  // namespace vtplatform
