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
#include <exception>

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

// How often Create starts over when what lies at the path changes under it (a link or file
// put back as soon as it is removed). Each round either makes the file or removes the thing
// in the way, so a few rounds only fail when something keeps racing with it.
constexpr int kCreateRounds = 16;

[[noreturn]] void FailRace(const std::wstring& name) {
  throw EVTPlatformError("Cannot create file " + ToUtf8(name) +
                         ": what is at that name keeps changing while the file is made");
}

#ifdef _WIN32
// Opens path for writing as a new or emptied regular file, never through a reparse point.
// FILE_FLAG_OPEN_REPARSE_POINT makes every open below act on the name itself, so a link put
// in place between two steps is at worst opened as itself, seen, and removed.
HANDLE CreateOutput(const std::wstring& path) {
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  for (int round = 0; round < kCreateRounds; ++round) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    DWORD err = ::GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) Fail("Cannot create file", path);
    const DWORD a = ::GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
      if (::GetLastError() == ERROR_FILE_NOT_FOUND) continue;  // gone meanwhile
      Fail("Cannot create file", path);
    }
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link (to a file or a folder, or dangling) or junction: remove the link itself.
      const BOOL removed = (a & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(path.c_str())
                                                          : ::DeleteFileW(path.c_str());
      if (!removed && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        Fail("Cannot replace the link", path);
      continue;
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY)
      throw EVTPlatformError("Cannot create file " + ToUtf8(path) + ": a folder of that name exists");
    h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags,
                      nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_NOT_FOUND) continue;
      Fail("Cannot create file", path);
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info)) {
      err = ::GetLastError();
      ::CloseHandle(h);
      ::SetLastError(err);
      Fail("Cannot create file", path);
    }
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
      ::CloseHandle(h);  // swapped meanwhile: look again
      continue;
    }
    if (info.nNumberOfLinks > 1) {
      // Emptying it would empty the other names too: put a new file in its place.
      ::CloseHandle(h);
      if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        Fail("Cannot replace file", path);
      continue;
    }
    if (!::SetEndOfFile(h)) {
      err = ::GetLastError();
      ::CloseHandle(h);
      ::SetLastError(err);
      Fail("Cannot create file", path);
    }
    return h;
  }
  FailRace(path);
}
#else
int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens path for writing as a new or emptied regular file, never through a symbolic link.
// The create is exclusive (O_EXCL does not follow a link, dangling or not); what stands in
// its way is looked at with lstat and either removed (a link, a file with further hard
// links), refused (a folder or special file) or, a plain regular file, opened with
// O_NOFOLLOW so that a link put there since the lstat makes the open fail instead of being
// followed.
int CreateOutput(const std::wstring& path) {
  const std::string native = NativePath(path);
  const char* p = native.c_str();
  for (int round = 0; round < kCreateRounds; ++round) {
    int fd = OpenRetrying(p, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) Fail("Cannot create file", path);
    struct stat st;
    if (::lstat(p, &st) != 0) {
      if (errno == ENOENT) continue;  // gone meanwhile
      Fail("Cannot create file", path);
    }
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      Fail("Cannot create file", path);
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
      // A FIFO would block the writer, and removing a device node is not this code's call.
      throw EVTPlatformError("Cannot create file " + ToUtf8(path) +
                             ": a special file (device, FIFO or socket) of that name exists");
    if (S_ISLNK(st.st_mode) || st.st_nlink > 1) {
      // A link (to a file or a folder, or dangling), or a file whose other names must keep
      // their content: remove this name and make a new file.
      if (::unlink(p) != 0 && errno != ENOENT) Fail("Cannot replace", path);
      continue;
    }
    // O_NONBLOCK: should a FIFO have taken the file's place, the open fails rather than
    // waiting for a reader.
    fd = OpenRetrying(p, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT || errno == ELOOP || errno == ENXIO) continue;  // changed meanwhile
      Fail("Cannot create file", path);
    }
    struct stat now;
    if (::fstat(fd, &now) != 0) {
      const int err = errno;
      ::close(fd);
      errno = err;
      Fail("Cannot create file", path);
    }
    if (!S_ISREG(now.st_mode) || now.st_nlink > 1) {
      ::close(fd);  // changed meanwhile: look again
      continue;
    }
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0 || ::ftruncate(fd, 0) != 0) {
      const int err = errno;
      ::close(fd);
      errno = err;
      Fail("Cannot create file", path);
    }
    return fd;
  }
  FailRace(path);
}
#endif

}  // namespace

TVTFileStream::TVTFileStream(const std::wstring& path, TMode mode, size_t bufferSize)
    : FName(path), FMode(mode), FBuf(new uint8_t[std::max<size_t>(bufferSize, 1)]), FBufSize(std::max<size_t>(bufferSize, 1)) {
#ifdef _WIN32
  HANDLE h;
  if (mode == TMode::Read) {
    h = ::CreateFileW(path.c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("Cannot open file", path);
  } else {
    h = CreateOutput(path);
  }
  FHandle = reinterpret_cast<intptr_t>(h);
#else
  if (mode == TMode::Create) {
    FHandle = CreateOutput(path);
    return;
  }
  const int fd = OpenRetrying(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot open file", path);
  // open() accepts a folder for reading; reading it would fail later with a vaguer message.
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    Fail("Cannot open file", path);
  }
  FHandle = fd;
#endif
}

TVTFileStream::~TVTFileStream() {
  if (FHandle == -1) return;
  try {
    if (FMode == TMode::Create) FlushWrite();
  } catch (...) {
    // A destructor must not throw; callers who need to know call Close first.
  }
#ifdef _WIN32
  ::CloseHandle(AsHandle(FHandle));
#else
  ::close(static_cast<int>(FHandle));
#endif
}

void TVTFileStream::Close() {
  if (FHandle == -1) return;
  std::exception_ptr flushError;
  try {
    if (FMode == TMode::Create) FlushWrite();
  } catch (...) {
    flushError = std::current_exception();
  }
  const intptr_t h = FHandle;
  FHandle = -1;
  // Nothing more can be read or written: every later call takes the slow path and raises.
  FBuf.reset();
  FBufSize = 0;
  FCur = FEnd = 0;
  FDirty = false;
#ifdef _WIN32
  const bool closed = ::CloseHandle(AsHandle(h)) != 0;
#else
  // close() may report a delayed write error (NFS, quotas); EINTR leaves the descriptor
  // closed on Linux, so it is not retried.
  const bool closed = ::close(static_cast<int>(h)) == 0 || errno == EINTR;
#endif
  if (flushError) std::rethrow_exception(flushError);
  if (!closed && FMode == TMode::Create) Fail("Cannot write file", FName);
}

void TVTFileStream::CheckOpen() const {
  if (FHandle == -1) throw EVTPlatformError("File " + ToUtf8(FName) + " is closed");
}

int64_t TVTFileStream::Size() {
  CheckOpen();
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
  CheckOpen();
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
  CheckOpen();
  if (FMode != TMode::Read)
    throw EVTPlatformError("File " + ToUtf8(FName) + " is not open for reading");
  // Hand out what the buffer still holds.
  size_t done = FEnd - FCur;
  if (done) std::memcpy(dst, FBuf.get() + FCur, done);
  FCur = FEnd;
  if (n - done >= FBufSize) {
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
    FEnd = RawRead(FBuf.get(), FBufSize);
    if (FEnd == 0) break;
    const size_t take = std::min(FEnd, n - done);
    std::memcpy(dst + done, FBuf.get(), take);
    FCur = take;
    done += take;
  }
  return done;
}

void TVTFileStream::WriteSlow(const void* src, size_t n) {
  CheckOpen();
  if (FMode != TMode::Create)
    throw EVTPlatformError("File " + ToUtf8(FName) + " is not open for writing");
  if (n == 0) return;
  if (FCur + n > FBufSize) {
    FlushWrite();
    if (n >= FBufSize) {
      RawWrite(src, n);
      FBufPos += static_cast<int64_t>(n);
      return;
    }
  }
  std::memcpy(FBuf.get() + FCur, src, n);
  FCur += n;
  FEnd = FCur;
  FDirty = true;
}

void TVTFileStream::Flush() {
  if (FMode == TMode::Create) FlushWrite();
}

void TVTFileStream::FlushWrite() {
  if (!FDirty) return;
  RawWrite(FBuf.get(), FCur);
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
