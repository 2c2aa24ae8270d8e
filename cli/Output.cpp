#include "cli/Output.h"

#include "platform/VTPlatform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

void TStringOutput::Line(const std::wstring& s) {
  Lines.push_back(s);
  Data += vtplatform::ToUtf8(s);
  Data += '\n';
}

void TStringOutput::Bytes(const uint8_t* data, size_t len) {
  if (len > 0) Data.append(reinterpret_cast<const char*>(data), len);
}

std::string TStdOutput::Encode(const std::wstring& s, bool utf8) {
#ifdef _WIN32
  if (s.empty()) return std::string();
  if (utf8) return vtplatform::ToUtf8(s);
  // No console (output code page 0): the ANSI code page, as CP_ACP (0) means anyway.
  const UINT cp = GetConsoleOutputCP();
  const int n = WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return vtplatform::ToAnsi(s);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
#else
  (void)utf8;
  return vtplatform::ToUtf8(s);
#endif
}

void TStdOutput::Line(const std::wstring& s) {
  std::string bytes = Encode(s, FUtf8);
  bytes += '\n';
  std::fwrite(bytes.data(), 1, bytes.size(), FFile);
}

void TStdOutput::Bytes(const uint8_t* data, size_t len) {
#ifdef _WIN32
  if (!FBinary) {
    std::fflush(FFile);
    _setmode(_fileno(FFile), _O_BINARY);
    FBinary = true;
  }
#endif
  if (len > 0) std::fwrite(data, 1, len, FFile);
}

void TStdOutput::Flush() { std::fflush(FFile); }
