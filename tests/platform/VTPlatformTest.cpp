#include "platform/VTPlatform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
#include <windows.h>

#include "platform/VTPlatformWin.h"
#else
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <set>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/VTFileStream.h"

namespace vp = vtplatform;

namespace {

// Text from UTF-16 code units, written out so that the tests mean the same on every
// platform (a wide literal above the BMP is one unit on Linux, two on Windows).
std::wstring Units(std::initializer_list<unsigned> units) {
  std::wstring s;
  for (unsigned u : units) s += static_cast<wchar_t>(u);
  return s;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string HexUnits(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += (out.empty() ? "" : " ") + std::to_string(static_cast<unsigned long>(c));
  return out;
}

bool Is1252() { return vp::AnsiCodePage() == 1252; }

}  // namespace

TEST(VTPlatformAnsi, EveryByteSurvivesTheRoundTrip) {
  if (!Is1252()) GTEST_SKIP() << "system code page " << vp::AnsiCodePage();
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::wstring text = vp::FromAnsi(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(Hex(vp::ToAnsi(text)), Hex(all));
  // Distinct bytes give distinct characters.
  EXPECT_EQ(std::set<wchar_t>(text.begin(), text.end()).size(), 256u);
}

TEST(VTPlatformAnsi, Windows1252Cases) {
  if (!Is1252()) GTEST_SKIP() << "system code page " << vp::AnsiCodePage();
  struct TCase {
    unsigned ch;
    unsigned char byte;
  };
  // Both directions.
  const TCase both[] = {
      {0x20AC, 0x80}, {0x0081, 0x81}, {0x008D, 0x8D}, {0x008F, 0x8F}, {0x0090, 0x90},
      {0x009D, 0x9D}, {0x201A, 0x82}, {0x0178, 0x9F}, {0x017E, 0x9E}, {0x00A0, 0xA0},
      {0x00E9, 0xE9}, {0x00FF, 0xFF}, {0x0041, 0x41}, {0x0000, 0x00},
  };
  for (const TCase& c : both) {
    SCOPED_TRACE(c.ch);
    EXPECT_EQ(vp::ToAnsi(Units({c.ch})), std::string(1, static_cast<char>(c.byte)));
    EXPECT_EQ(vp::FromAnsi(std::string(1, static_cast<char>(c.byte))), Units({c.ch}));
  }
  // Characters the code page cannot hold.
  for (unsigned ch : {0x4E00u, 0x0100u, 0x2603u, 0xFFFDu}) {
    SCOPED_TRACE(ch);
    EXPECT_EQ(vp::ToAnsi(Units({'a', ch, 'b'})), "a?b");
  }
  EXPECT_EQ(vp::ToAnsi(std::wstring()), "");
  EXPECT_EQ(vp::FromAnsi(std::string()), L"");
}

#ifndef _WIN32
TEST(VTPlatformAnsi, CharactersAboveTheBmpBecomeOneQuestionMark) {
  EXPECT_EQ(vp::ToAnsi(Units({'x', 0xD83D, 0xDE00, 'y'})), "x?y");
  EXPECT_EQ(vp::ToAnsi(Units({0xD83D, 'y', 0xDE00})), "?y?");
  EXPECT_EQ(vp::ToAnsi(Units({0x80})), "?");  // not a character of Windows-1252
}

// The C library's own Windows-1252 table is an independent reference for the defined
// bytes of 80..9F (it rejects the five undefined ones).
TEST(VTPlatformAnsi, AgreesWithTheCLibraryCp1252) {
  iconv_t cd = ::iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP1252 converter";
  for (int b = 0x80; b < 0x100; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    char in[1] = {static_cast<char>(b)};
    char out[8];
    char* inp = in;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    ASSERT_NE(::iconv(cd, &inp, &inLeft, &outp, &outLeft), static_cast<size_t>(-1)) << b;
    const std::string expect(out, static_cast<size_t>(outp - out));
    SCOPED_TRACE(b);
    EXPECT_EQ(Hex(vp::ToUtf8(vp::FromAnsi(std::string(in, 1)))), Hex(expect));
    EXPECT_EQ(Hex(vp::ToAnsi(vp::FromUtf8(expect))), Hex(std::string(in, 1)));
  }
  ::iconv_close(cd);
}
#endif

TEST(VTPlatformUtf8, EncodesAndDecodes) {
  struct TCase {
    std::wstring text;
    std::string utf8;
  };
  const TCase cases[] = {
      {L"", ""},
      {L"plain ASCII", "plain ASCII"},
      {Units({0x00E9}), "\xC3\xA9"},
      {Units({0x07FF, 0x0800}), "\xDF\xBF\xE0\xA0\x80"},
      {Units({0x20AC}), "\xE2\x82\xAC"},
      {Units({0xFFFF}), "\xEF\xBF\xBF"},
      {Units({0xD800, 0xDC00}), "\xF0\x90\x80\x80"},              // U+10000
      {Units({'a', 0xD83D, 0xDE00, 'b'}), "a\xF0\x9F\x98\x80" "b"},  // U+1F600
      {Units({0xDBFF, 0xDFFF}), "\xF4\x8F\xBF\xBF"},              // U+10FFFF
      {Units({0x0000, 'z'}), std::string("\0z", 2)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Hex(c.utf8));
    EXPECT_EQ(Hex(vp::ToUtf8(c.text)), Hex(c.utf8));
    EXPECT_EQ(HexUnits(vp::FromUtf8(c.utf8)), HexUnits(c.text));
  }
}

TEST(VTPlatformUtf8, LoneSurrogatesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(vp::ToUtf8(Units({0xD800})), fffd);
  EXPECT_EQ(vp::ToUtf8(Units({0xDC00, 'x'})), fffd + "x");
  EXPECT_EQ(vp::ToUtf8(Units({0xD800, 'x'})), fffd + "x");
  EXPECT_EQ(vp::ToUtf8(Units({0xDE00, 0xD83D})), fffd + fffd);  // the wrong order
}

TEST(VTPlatformUtf8, InvalidBytesBecomeReplacementCharacters) {
  const unsigned R = 0xFFFD;
  struct TCase {
    std::string utf8;
    std::wstring text;
  };
  const TCase cases[] = {
      {"\xFF", Units({R})},
      {"a\x80" "b", Units({'a', R, 'b'})},                    // stray continuation byte
      {"\xC3", Units({R})},                                  // cut short at the end
      {"\xE2\x82" "b", Units({R, 'b'})},                      // cut short before text
      {"\xC0\xAF", Units({R, R})},                             // overlong
      {"\xE0\x80\xAF", Units({R, R, R})},                       // overlong
      {"\xED\xA0\x80", Units({R, R, R})},                       // an encoded surrogate
      {"\xF4\x90\x80\x80", Units({R, R, R, R})},                 // above U+10FFFF
      {"\xF0\x9F\x98", Units({R})},                            // three of four bytes
      {"\xF0\x9F\x98\xC3\xA9", Units({R, 0xE9})},
      {"\xF8\x88\x80\x80\x80", Units({R, R, R, R, R})},           // five-byte form
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Hex(c.utf8));
    EXPECT_EQ(HexUnits(vp::FromUtf8(c.utf8)), HexUnits(c.text));
  }
}

TEST(VTPlatformUtf8, EveryCodePointSurvivesTheRoundTrip) {
  std::wstring all;
  for (unsigned u = 1; u < 0x10000; ++u)
    if (u < 0xD800 || u > 0xDFFF) all += static_cast<wchar_t>(u);
  for (unsigned cp = 0x10000; cp <= 0x10FFFF; cp += 0x3FF)
    all += Units({0xD800 + ((cp - 0x10000) >> 10), 0xDC00 + ((cp - 0x10000) & 0x3FF)});
  EXPECT_TRUE(vp::FromUtf8(vp::ToUtf8(all)) == all);
}

TEST(VTPlatformPath, JoinPath) {
  const wchar_t d = vp::PathDelimiter();
  const std::wstring sep(1, d);
  struct TCase {
    std::wstring a, b, expect;
  };
  const TCase cases[] = {
      {L"dir", L"file", L"dir" + sep + L"file"},
      {L"dir" + sep, L"file", L"dir" + sep + L"file"},
      {L"dir" + sep, sep + L"file", L"dir" + sep + L"file"},
      {L"dir", sep + L"file", L"dir" + sep + L"file"},
      {L"", L"file", L"file"},
      {L"dir", L"", L"dir" + sep},
      {sep, L"file", sep + L"file"},
      {L"a" + sep + L"b", L"c" + sep + L"d", L"a" + sep + L"b" + sep + L"c" + sep + L"d"},
#ifdef _WIN32
      {L"C:\\", L"file", L"C:\\file"},
      {L"dir/", L"file", L"dir/file"},
      {L"dir", L"/file", L"dir\\file"},
#endif
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(vp::ToUtf8(c.a + L" + " + c.b));
    EXPECT_EQ(vp::JoinPath(c.a, c.b), c.expect);
  }
  EXPECT_TRUE(d == L'/' || d == L'\\');
}

TEST(VTPlatformPath, ExtractFileDirAndName) {
  struct TCase {
    std::wstring path, dir, name;
  };
  const TCase cases[] = {
      {L"/a/b/c.txt", L"/a/b", L"c.txt"},
      {L"/c.txt", L"/", L"c.txt"},
      {L"c.txt", L"", L"c.txt"},
      {L"a/b/", L"a/b", L""},
      {L"", L"", L""},
      {L"rel/x.xmi", L"rel", L"x.xmi"},
#ifdef _WIN32
      {L"C:\\dir\\file.xmi", L"C:\\dir", L"file.xmi"},
      {L"C:\\file.xmi", L"C:\\", L"file.xmi"},
      {L"C:file.xmi", L"C:", L"file.xmi"},
      {L"C:/dir/sub\\file.xmi", L"C:/dir/sub", L"file.xmi"},
      {L"dir\\file", L"dir", L"file"},
      {L"\\\\server\\share\\f", L"\\\\server\\share", L"f"},
#else
      {L"dir\\file", L"", L"dir\\file"},  // a backslash is an ordinary character here
      {L"/a/C:b", L"/a", L"C:b"},
#endif
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(vp::ToUtf8(c.path));
    EXPECT_EQ(vp::ExtractFileDir(c.path), c.dir);
    EXPECT_EQ(vp::ExtractFileName(c.path), c.name);
  }
}

TEST(VTPlatformFiles, ForceDirectoriesAndExistence) {
  TTempDir tmp;
  const std::wstring sep(1, vp::PathDelimiter());
  const std::wstring nested = tmp.File(L"one" + sep + L"tw\u00f6" + sep + L"three");
  EXPECT_FALSE(vp::DirectoryExists(nested));
  EXPECT_TRUE(vp::ForceDirectories(nested));
  EXPECT_TRUE(vp::DirectoryExists(nested));
  EXPECT_TRUE(vp::DirectoryExists(vp::ExtractFileDir(nested)));
  EXPECT_FALSE(vp::FileExists(nested));
  // Existing folders, with and without a trailing separator.
  EXPECT_TRUE(vp::ForceDirectories(nested));
  EXPECT_TRUE(vp::ForceDirectories(nested + sep));
  EXPECT_TRUE(vp::ForceDirectories(tmp.File(L"four" + sep + sep)));
  EXPECT_TRUE(vp::DirectoryExists(tmp.File(L"four")));
#ifdef _WIN32
  EXPECT_TRUE(vp::ForceDirectories(tmp.Path() + L"/five/six/"));
  EXPECT_TRUE(vp::DirectoryExists(tmp.File(L"five\\six")));
#endif
  EXPECT_FALSE(vp::ForceDirectories(L""));

  // A file in the way.
  const std::wstring file = tmp.File(L"plain.txt");
  { vp::TVTFileStream f(file, vp::TVTFileStream::TMode::Create); }
  EXPECT_TRUE(vp::FileExists(file));
  EXPECT_FALSE(vp::DirectoryExists(file));
  EXPECT_FALSE(vp::ForceDirectories(vp::JoinPath(file, L"sub")));

  EXPECT_TRUE(vp::RemoveFile(file));
  EXPECT_FALSE(vp::FileExists(file));
  EXPECT_FALSE(vp::RemoveFile(file));
  EXPECT_FALSE(vp::FileExists(L""));
  EXPECT_FALSE(vp::DirectoryExists(L""));
}

// CreateFolders names the folder it could not make and the system's reason; ForceDirectories
// reports the same failures as false.
TEST(VTPlatformFiles, CreateFoldersGivesTheReason) {
  TTempDir tmp;
  const std::wstring plain = tmp.File(L"plain.txt");
  { vp::TVTFileStream f(plain, vp::TVTFileStream::TMode::Create); }
  struct TCase {
    const char* what;
    std::wstring path;
    std::wstring named;  // the folder the message names
    std::string reason;
  };
  std::vector<TCase> cases = {
#ifdef _WIN32
      // Windows reports the missing path for the deeper folder and names the file itself.
      // The texts are the system's own (wine's differ from Windows').
      {"a parent that is a file", vp::JoinPath(plain, L"sub\\deeper"), plain,
       vp::LastErrorText(ERROR_ALREADY_EXISTS)},
      {"the folder is a file", plain + L"\\", plain, vp::LastErrorText(ERROR_ALREADY_EXISTS)},
      {"a name Windows refuses", tmp.File(L"a<b"), tmp.File(L"a<b"), vp::LastErrorText(ERROR_INVALID_NAME)},
#else
      {"a parent that is a file", vp::JoinPath(plain, L"sub/deeper"), vp::JoinPath(plain, L"sub/deeper"),
       "Not a directory"},
      {"the folder is a file", plain + L"/", plain, "Not a directory"},
#endif
  };
#ifndef _WIN32
  // Permission checks do not apply to root.
  const std::wstring locked = tmp.File(L"locked");
  ASSERT_TRUE(vp::ForceDirectories(locked));
  ::chmod(vp::NativePath(locked).c_str(), 0555);
  if (::geteuid() != 0)
    cases.push_back({"a read-only parent", vp::JoinPath(locked, L"new/sub"), vp::JoinPath(locked, L"new"),
                     "Permission denied"});
#endif
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      vp::CreateFolders(c.path);
      ADD_FAILURE() << "created";
    } catch (const vp::EVTPlatformError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create folder " + vp::ToUtf8(c.named) + ": " + c.reason);
    }
    EXPECT_FALSE(vp::ForceDirectories(c.path));
  }
  EXPECT_TRUE(vp::FileExists(plain));
}

TEST(VTPlatformFiles, TempFileNamesAreNewDistinctEmptyFiles) {
  const std::wstring folder = vp::TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == L'/' || folder.back() == L'\\');
  EXPECT_TRUE(vp::DirectoryExists(folder));

  std::set<std::wstring> names;
  for (int i = 0; i < 5; ++i) {
    const std::wstring name = vp::TempFileName(L"vtq");
    SCOPED_TRACE(vp::ToUtf8(name));
    EXPECT_TRUE(names.insert(name).second);
    EXPECT_TRUE(vp::FileExists(name));
    EXPECT_EQ(vp::ExtractFileName(name).substr(0, 3), L"vtq");
    EXPECT_EQ(vp::JoinPath(vp::ExtractFileDir(name), vp::ExtractFileName(name)), name);
    vp::TVTFileStream f(name, vp::TVTFileStream::TMode::Read);
    EXPECT_EQ(f.Size(), 0);
  }
  for (const std::wstring& name : names) EXPECT_TRUE(vp::RemoveFile(name));
}

TEST(VTPlatformFiles, LocalAppDataFolder) {
  const std::wstring dir = vp::LocalAppDataFolder();
  EXPECT_FALSE(dir.empty());
#ifndef _WIN32
  // $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
  const char* oldXdg = std::getenv("XDG_DATA_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";

  ::setenv("XDG_DATA_HOME", "/x/data/", 1);
  EXPECT_EQ(vp::LocalAppDataFolder(), L"/x/data");
  ::setenv("HOME", "/home/u", 1);
  ::setenv("XDG_DATA_HOME", "relative", 1);
  EXPECT_EQ(vp::LocalAppDataFolder(), L"/home/u/.local/share");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "/home/u/", 1);
  EXPECT_EQ(vp::LocalAppDataFolder(), L"/home/u/.local/share");

  if (oldXdg) ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1); else ::unsetenv("HOME");
#endif
}

#ifndef _WIN32
TEST(VTPlatformFiles, TempFolderFollowsTmpdir) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(vp::TempFolder(), L"/var/tmp/");
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(vp::TempFolder(), L"/tmp/");
  if (old) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
}
#endif
