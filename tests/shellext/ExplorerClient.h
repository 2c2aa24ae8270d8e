// What Explorer does with a context-menu handler, done by hand: find the handlers registered
// for every file type, create them through the registry, hand them a shell data object for
// the selected files, fill a real popup menu and invoke its commands. Message boxes shown on
// this thread are recorded and answered by a CBT hook.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <optional>
#include <string>
#include <vector>

namespace explorer {

// A message box as the hook saw it.
enum class TBoxIcon { biNone, biInformation, biError, biOther };
struct TMessageBox {
  std::wstring Caption;
  std::wstring Text;
  TBoxIcon Icon = TBoxIcon::biNone;
};

// Installs the hook on the calling thread for its lifetime. Boxes are answered with OK.
class TBoxRecorder {
 public:
  TBoxRecorder();
  ~TBoxRecorder();
  TBoxRecorder(const TBoxRecorder&) = delete;
  TBoxRecorder& operator=(const TBoxRecorder&) = delete;
  // The boxes recorded since the last call, which clears them.
  std::vector<TMessageBox> Take();

 private:
  HHOOK FHook = nullptr;
};

// True when message boxes are really shown (there is a display): a probe box is shown and
// must reach the hook. Without a display MessageBox returns at once and shows nothing.
bool BoxesAreShown(TBoxRecorder& rec);

// A path as wine's Windows side names it ("/tmp/x" -> "Z:\tmp\x"); unchanged off wine.
std::wstring WindowsPath(const std::string& path);

// COM pointer holder that releases on destruction.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() { Reset(); }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  TComPtr(TComPtr&& o) noexcept : FP(o.FP) { o.FP = nullptr; }
  TComPtr& operator=(TComPtr&& o) noexcept {
    if (this != &o) {
      Reset();
      FP = o.FP;
      o.FP = nullptr;
    }
    return *this;
  }
  T* operator->() const { return FP; }
  T* Get() const { return FP; }
  T** Put() {
    Reset();
    return &FP;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  explicit operator bool() const { return FP != nullptr; }
  void Reset() {
    if (FP) FP->Release();
    FP = nullptr;
  }

 private:
  T* FP = nullptr;
};

// The class identifiers registered under HKCR\*\shellex\ContextMenuHandlers, by key name.
std::vector<std::pair<std::wstring, std::wstring>> RegisteredFileHandlers();

// A data object for the files (all in one folder), from the shell's own folder object.
HRESULT ShellDataObject(const std::vector<std::wstring>& files, TComPtr<IDataObject>& out);

// One item of a menu as read back.
struct TMenuItem {
  std::wstring Text;
  UINT Id = 0;
  HMENU SubMenu = nullptr;
};
std::vector<TMenuItem> ReadMenu(HMENU menu);

// One context menu: the handler created through the registry and initialised with files.
struct TContextMenuSession {
  TComPtr<IShellExtInit> Init;
  TComPtr<IContextMenu> Menu;
  HRESULT InitResult = E_FAIL;
};
// Creates the handler clsid (CoCreateInstance, so through its registration) and calls
// Initialize with a shell data object for files.
HRESULT OpenContextMenu(const std::wstring& clsid, const std::vector<std::wstring>& files,
                        TContextMenuSession& s);

// Invokes the command offset (or a verb string) as Explorer does.
HRESULT InvokeCommandOffset(IContextMenu* menu, unsigned offset);
HRESULT InvokeVerb(IContextMenu* menu, const char* verb);

// Registry reading: the string value (default value for name ""), or none when absent.
std::optional<std::wstring> RegString(HKEY root, const std::wstring& key,
                                      const std::wstring& name = L"");
bool RegKeyExists(HKEY root, const std::wstring& key);

// Runs a program and waits for it; its exit code, or -1 when it could not start.
int RunAndWait(const std::wstring& commandLine);

// Files and folders.
std::wstring TempRoot();                        // a fresh folder for this run
bool MakeFolder(const std::wstring& path);      // with its parents
void RemoveTree(const std::wstring& path);
bool CopyOneFile(const std::wstring& from, const std::wstring& to);
void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
// Every file below folder, as paths relative to it with their sizes, sorted.
std::vector<std::pair<std::wstring, uint64_t>> ListTree(const std::wstring& folder);

}  // namespace explorer
