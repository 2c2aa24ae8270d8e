// The parts of the Unfurl shell extension that need no COM: its identifiers, the menu and
// message texts, which files it accepts, and the registry entries it writes and removes.
// Kept free of <windows.h> so that the rules are tested on their own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace unfurl {

// Identifiers in their registry form (braces, upper-case hexadecimal).
inline const wchar_t kCLSIDText[] = L"{CE81C6AB-D4D8-4994-8785-1195BCCE634F}";
inline const wchar_t kIIDText[] = L"{EB207E93-EC34-4B23-9C53-5687D43B5D40}";
inline const wchar_t kLIBIDText[] = L"{66BD0502-2648-4B17-B1B7-60D7E3E0624C}";
constexpr unsigned short kTypeLibMajor = 1;
constexpr unsigned short kTypeLibMinor = 0;

// Class name and description, as the type library's coclass entry holds them.
inline const wchar_t kClassName[] = L"UnfurlContextMenu";
inline const wchar_t kClassDescription[] = L"UnfurlContextMenu Object";

// Menu, help and message texts.
inline const wchar_t kMenuText[] = L"Expand XMI File";
inline const wchar_t kExtractHereText[] = L"Extract Here";
inline const wchar_t kExtractToText[] = L"Extract to ";
inline const wchar_t kHelpText[] = L"Expand the XMI File";
inline const wchar_t kParseFailedText[] = L"Parse Failed";
inline const wchar_t kCaption[] = L"Unfurl";
inline const char kRegistryErrorText[] = "Error creating system registry entry";

// Command identifiers claimed in the shell's menu: "Extract Here", "Extract to ", and the
// popup item itself.
constexpr unsigned kCommandCount = 3;

// The extension of path with its dot ("" when the file name has none): the part from the
// last dot of the last path component.
std::wstring FileExtension(const std::wstring& path);
// True when the file's extension is .xmi or .xmit in any letter case.
bool IsAcceptedFileName(const std::wstring& path);
// The text of the second command: "Extract to " and the data set name.
std::wstring ExtractToMenuText(const std::wstring& dsName);
// Command offset 0 extracts into the file's folder; every other one into the data set's
// subfolder.
inline bool SubfolderForCommand(unsigned offset) { return offset != 0; }

// Copies text into buf of cch elements, cut so that it ends with a NUL within them; writes
// nothing when buf is null or cch is 0. Returns the characters copied without the NUL.
size_t CopyTruncated(const std::wstring& text, wchar_t* buf, size_t cch);
// The same for a narrow buffer: characters above 0x7F become '?' (the texts are ASCII).
size_t CopyTruncated(const std::wstring& text, char* buf, size_t cch);

// True when the command line of DllInstall asks for per-user registration ("user", any case).
bool IsPerUserCommandLine(const wchar_t* cmdLine);

// The registry hives the entries go to.
enum class TRegRoot { rrClassesRoot, rrCurrentUser, rrLocalMachine };

// One string value to write: Root\Key, value ValueName ("" for the default value) = Data.
// Optional entries that cannot be written are skipped; the others end the registration.
struct TRegEntry {
  TRegRoot Root;
  std::wstring Key;
  std::wstring ValueName;
  std::wstring Data;
  bool Optional = false;
};

// The class key: "CLSID\{...}" under HKEY_CLASSES_ROOT, or under
// HKEY_CURRENT_USER\Software\Classes\ for a per-user registration.
TRegRoot ClassRoot(bool perUser);
std::wstring ClassKey(bool perUser);
// The handler key under HKEY_CLASSES_ROOT (for every file type, whatever the mode).
std::wstring HandlerKey();
// The key of approved shell extensions under HKEY_LOCAL_MACHINE.
std::wstring ApprovedKey();

// Every value of a registration, in the order they are written. serverPath is the path
// written under InprocServer32 (the caller shortens it when it holds a blank).
std::vector<TRegEntry> RegistrationEntries(bool perUser, const std::wstring& serverPath);

// One key to delete (Root\Key) or, with ValueName set, one value of it.
struct TRegRemoval {
  TRegRoot Root;
  std::wstring Key;
  std::wstring ValueName;
  bool IsValue = false;
};
// What an unregistration removes, in order (subkeys before their parents).
std::vector<TRegRemoval> UnregistrationSteps(bool perUser);

}  // namespace unfurl
