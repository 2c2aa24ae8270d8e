// Platform services on POSIX systems. File names are UTF-8; the "ANSI code page" is
// Windows-1252 so that text files match those an English Windows writes.
#include "platform/VTPlatform.h"

#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <vector>

namespace vtplatform {

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to
// the C1 control of the same value, as Windows itself maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The byte for a character, or -1 when Windows-1252 cannot hold it.
int Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

bool StatPath(const std::wstring& path, struct stat& st) {
  if (path.empty()) return false;
  return ::stat(NativePath(path).c_str(), &st) == 0;
}

std::wstring EnvPath(const char* name) {
  const char* v = ::getenv(name);
  return v && *v ? FromUtf8(v) : std::wstring();
}

std::wstring StripTrailingSlashes(std::wstring s) {
  while (s.size() > 1 && s.back() == L'/') s.pop_back();
  return s;
}

}  // namespace

unsigned AnsiCodePage() { return 1252; }

std::string ToAnsi(const std::wstring& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const char32_t c = static_cast<char32_t>(s[i]);
    const int b = Cp1252Byte(c);
    if (b >= 0) {
      out += static_cast<char>(b);
      continue;
    }
    // A surrogate pair is one character: one '?'.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() &&
        static_cast<char32_t>(s[i + 1]) >= 0xDC00 && static_cast<char32_t>(s[i + 1]) <= 0xDFFF)
      ++i;
    out += '?';
  }
  return out;
}

std::wstring FromAnsi(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (char ch : s) {
    const unsigned char b = static_cast<unsigned char>(ch);
    out += b >= 0x80 && b <= 0x9F ? static_cast<wchar_t>(kCp1252High[b - 0x80])
                                  : static_cast<wchar_t>(b);
  }
  return out;
}

std::string NativePath(const std::wstring& path) { return ToUtf8(path); }

bool FileExists(const std::wstring& path) {
  struct stat st;
  return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::wstring& path) {
  struct stat st;
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool IsLink(const std::wstring& path) {
  struct stat st;
  return !path.empty() && ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void CreateFolders(const std::wstring& path) {
  if (path.empty()) throw EVTPlatformError("Cannot create a folder with an empty name");
  const std::wstring dir = StripTrailingSlashes(path);
  if (DirectoryExists(dir)) return;
  const std::string native = NativePath(dir);
  int err = ::mkdir(native.c_str(), 0777) == 0 ? 0 : errno;
  if (err == ENOENT) {
    // A parent is missing: make it (or learn why it cannot be made), then this one.
    const std::wstring parent = ExtractFileDir(dir);
    if (!parent.empty() && parent != dir) {
      CreateFolders(parent);
      err = ::mkdir(native.c_str(), 0777) == 0 ? 0 : errno;
    }
  }
  if (err == 0) return;
  if (err == EEXIST) {
    // Another process may have made it meanwhile; otherwise a file is in the way.
    if (DirectoryExists(dir)) return;
    err = ENOTDIR;
  }
  throw EVTPlatformError("Cannot create folder " + native + ": " + ::strerror(err));
}

bool RemoveFile(const std::wstring& path) {
  return !path.empty() && ::unlink(NativePath(path).c_str()) == 0;
}

std::wstring LocalAppDataFolder() {
  // XDG base directories: a relative $XDG_DATA_HOME is to be ignored.
  std::wstring dir = EnvPath("XDG_DATA_HOME");
  if (!dir.empty() && dir[0] == L'/') return StripTrailingSlashes(dir);
  std::wstring home = EnvPath("HOME");
  if (home.empty()) {
    if (const struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir)
      home = FromUtf8(pw->pw_dir);
  }
  if (home.empty()) return StripTrailingSlashes(TempFolder());
  return JoinPath(StripTrailingSlashes(home), L".local/share");
}

std::wstring TempFolder() {
  std::wstring dir = EnvPath("TMPDIR");
  if (dir.empty()) dir = L"/tmp";
  if (dir.back() != L'/') dir += L'/';
  return dir;
}

std::wstring TempFileName(const std::wstring& prefix) {
  std::string templ = NativePath(TempFolder() + prefix) + "XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  const int fd = ::mkstemp(buf.data());
  if (fd < 0) {
    const int err = errno;
    throw EVTPlatformError("Cannot create a temporary file " + templ + ": " + ::strerror(err));
  }
  ::close(fd);
  return FromUtf8(buf.data());
}

// POSIX locales have no date separator of their own (LC_TIME gives whole formats), so
// this is the separator of an English Windows, the default the rest of the system expects.
wchar_t DateSeparator() { return L'/'; }

}  // namespace vtplatform
