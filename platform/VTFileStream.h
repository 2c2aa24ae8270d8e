// Buffered, seekable file stream with 64-bit offsets. Files opened for reading are
// shared for reading and writing by others (deny none).
//
// Create never writes through a link: a symbolic link (on Windows any reparse point) at the
// path is removed and a new regular file made in its place, so that neither the link's
// target nor anything a dangling link names is touched. An existing regular file is
// truncated and rewritten (one with further hard links is replaced instead, leaving the
// other names' content alone); an existing folder (or, off Windows, a device, FIFO or
// socket) is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/VTPlatform.h"

namespace vtplatform {

class TVTFileStream {
 public:
  enum class TMode { Read, Create };

  // Opens path; raises EVTPlatformError naming the file when it cannot.
  TVTFileStream(const std::wstring& path, TMode mode, size_t bufferSize = 256 * 1024);
  ~TVTFileStream();
  TVTFileStream(const TVTFileStream&) = delete;
  TVTFileStream& operator=(const TVTFileStream&) = delete;

  int64_t Position() const { return FBufPos + static_cast<int64_t>(FCur); }
  int64_t Size();
  void Seek(int64_t pos);

  // Reads up to n bytes; returns how many were read (fewer only at the end of the file).
  size_t Read(void* dst, size_t n) {
    if (n <= FEnd - FCur) {
      std::memcpy(dst, FBuf.get() + FCur, n);
      FCur += n;
      return n;
    }
    return ReadSlow(static_cast<uint8_t*>(dst), n);
  }

  // Reading: the bytes already buffered at the current position (possibly none), for
  // callers that parse in place; Consume(n) moves past n of them.
  size_t Buffered(const uint8_t*& p) const {
    p = FBuf.get() + FCur;
    return FEnd - FCur;
  }
  void Consume(size_t n) { FCur += n; }

  void Write(const void* src, size_t n) {
    if (FMode == TMode::Create && n != 0 && n <= FBufSize - FCur) {  // the common case
      std::memcpy(FBuf.get() + FCur, src, n);
      FCur += n;
      FEnd = FCur;
      FDirty = true;
      return;
    }
    WriteSlow(src, n);
  }
  void Flush();
  // Writes out what is buffered and closes the file; raises when either fails (a full disk
  // may show only here). The destructor closes too, but swallows errors.
  void Close();
  const std::wstring& FileName() const { return FName; }

 private:
  size_t ReadSlow(uint8_t* dst, size_t n);
  void WriteSlow(const void* src, size_t n);
  size_t RawRead(void* dst, size_t n);
  void RawWrite(const void* src, size_t n);
  void RawSeek(int64_t pos);
  void FlushWrite();
  void CheckOpen() const;

  std::wstring FName;
  TMode FMode;
  intptr_t FHandle = -1;       // file descriptor or HANDLE
  // The buffer is left uninitialised: clearing it cost more than writing a small file.
  std::unique_ptr<uint8_t[]> FBuf;
  size_t FBufSize = 0;
  int64_t FBufPos = 0;         // file offset of FBuf[0]
  size_t FCur = 0;             // read/write position inside FBuf
  size_t FEnd = 0;             // valid bytes in FBuf (reading)
  bool FDirty = false;         // FBuf holds unwritten bytes
};

}  // namespace vtplatform
