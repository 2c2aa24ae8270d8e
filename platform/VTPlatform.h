// Operating-system services the core needs, behind one portable interface.
// Windows and POSIX implementations live in VTPlatform_win.cpp / VTPlatform_posix.cpp.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vtplatform {

// A failure of the operating system (file not found, folder cannot be created...).
class EVTPlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The ANSI code page: Windows: the system code page (CP_ACP); elsewhere Windows-1252.
// Code page number in use (1252 off Windows).
unsigned AnsiCodePage();
// Text to bytes in the ANSI code page; characters it cannot hold become '?'.
std::string ToAnsi(const std::wstring& s);
// Bytes in the ANSI code page to text. Off Windows the five bytes Windows-1252 leaves
// undefined (81 8D 8F 90 9D) become U+0081..U+009D so every byte survives the round trip.
std::wstring FromAnsi(const std::string& s);

// UTF-8 conversions (used for file names off Windows and for the command line's output).
std::string ToUtf8(const std::wstring& s);
std::wstring FromUtf8(const std::string& s);

// A path as the operating system's narrow API wants it (UTF-8 off Windows).
std::string NativePath(const std::wstring& path);

// Both follow links: a link to a folder is a folder here.
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// True when path itself is a symbolic link (on Windows any reparse point: symbolic link,
// junction, mount point), whatever it points to and whether or not that exists.
bool IsLink(const std::wstring& path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::wstring& path);
// The same, raising EVTPlatformError when it cannot: the message names the first folder
// that could not be created and the system's reason ("Cannot create folder /a/b: Not a
// directory"). An existing folder, or a link to one, is accepted as it is.
void CreateFolders(const std::wstring& path);
bool RemoveFile(const std::wstring& path);

// The path separator of the platform ('\\' on Windows, '/' elsewhere).
wchar_t PathDelimiter();
// a + separator + b, with no doubled separator.
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);
// The folder part of a path (without a trailing separator), or empty.
std::wstring ExtractFileDir(const std::wstring& path);
// The file part of a path.
std::wstring ExtractFileName(const std::wstring& path);

// The user's local application data folder (CSIDL_LOCAL_APPDATA; $XDG_DATA_HOME or
// ~/.local/share elsewhere).
std::wstring LocalAppDataFolder();
// The temporary folder, with a trailing separator.
std::wstring TempFolder();
// A new, unique, empty file in the temporary folder whose name starts with prefix.
std::wstring TempFileName(const std::wstring& prefix);

// The user's locale date separator ('/' when the locale gives none).
wchar_t DateSeparator();

}  // namespace vtplatform
