// Where the command-line tool writes: text lines and raw bytes, to the console or to memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Text with its control characters (U+0000-U+001F, U+007F-U+009F) written visibly as "\xNN",
// for names and messages that come from a file and go to a terminal.
std::wstring VisibleText(const std::wstring& s);

class TOutput {
 public:
  virtual ~TOutput() = default;
  // One line of text; the output adds the line end and chooses the encoding.
  virtual void Line(const std::wstring& s) = 0;
  // Bytes written exactly as given (a member's host data).
  virtual void Bytes(const uint8_t* data, size_t len) = 0;
  virtual void Flush() {}
  // Text in UTF-8 whatever the console's code page (only Windows has another).
  virtual void SetUtf8(bool) {}
};

// Keeps everything in memory: the lines as text, and the whole output as bytes
// (lines in UTF-8, each followed by "\n"). Used by the tests.
class TStringOutput : public TOutput {
 public:
  void Line(const std::wstring& s) override;
  void Bytes(const uint8_t* data, size_t len) override;

  std::vector<std::wstring> Lines;
  std::string Data;
};

// A C stream (stdout or stderr). Text goes out in UTF-8 off Windows and in the console's
// output code page on Windows; Bytes switches the stream to binary mode on Windows first.
class TStdOutput : public TOutput {
 public:
  explicit TStdOutput(std::FILE* f) : FFile(f) {}
  void Line(const std::wstring& s) override;
  void Bytes(const uint8_t* data, size_t len) override;
  void Flush() override;
  void SetUtf8(bool v) override { FUtf8 = v; }

  // The bytes Line writes for s (without the line end).
  static std::string Encode(const std::wstring& s, bool utf8 = false);

 private:
  std::FILE* FFile;
  bool FUtf8 = false;
#ifdef _WIN32
  bool FBinary = false;  // switched to binary mode
#endif
};
