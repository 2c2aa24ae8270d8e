// The shell extension driven as Explorer drives it: registered with regsvr32, created through
// the registry, initialised with the shell's data object for the selected files, its menu
// items read back from a real popup menu and its commands invoked. Runs under wine; the
// message boxes are checked where a display shows them (xvfb-run), else only the results.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ExplorerClient.h"
#include "support/XmitWriter.h"
#include "xmit/VTXMIExtract.h"
#include "xmit/VTXMIParser.h"

namespace {

using namespace explorer;

const wchar_t kCLSID[] = L"{CE81C6AB-D4D8-4994-8785-1195BCCE634F}";
const wchar_t kClassKey[] = L"CLSID\\{CE81C6AB-D4D8-4994-8785-1195BCCE634F}";
const wchar_t kHandlerKey[] = L"*\\shellex\\ContextMenuHandlers\\UnfurlContextMenu";
const wchar_t kApprovedKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const wchar_t kTypeLibKey[] = L"TypeLib\\{66BD0502-2648-4B17-B1B7-60D7E3E0624C}\\1.0";
const wchar_t kInterfaceKey[] = L"Interface\\{EB207E93-EC34-4B23-9C53-5687D43B5D40}";
const CLSID kClsid = {0xCE81C6AB, 0xD4D8, 0x4994, {0x87, 0x85, 0x11, 0x95, 0xBC, 0xCE, 0x63, 0x4F}};
const IID kIID = {0xEB207E93, 0xEC34, 0x4B23, {0x9C, 0x53, 0x56, 0x87, 0xD4, 0x3B, 0x5D, 0x40}};
const GUID kLIBID = {0x66BD0502, 0x2648, 0x4B17, {0xB1, 0xB7, 0x60, 0xD7, 0xE3, 0xE0, 0x62, 0x4C}};
const GUID kStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// State of the whole run: COM, the box recorder, the DLL's path, a scratch folder, and the
// handler registered per machine (tests that change the registration restore it).
struct TRun {
  std::wstring Dll;
  std::wstring Root;
  std::unique_ptr<TBoxRecorder> Boxes;
  bool BoxesShown = false;
};
TRun* gRun = nullptr;

int RegSvr(const std::wstring& options, const std::wstring& dll) {
  return RunAndWait(L"regsvr32.exe /s " + options + L" \"" + dll + L"\"");
}

class TRunEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    gRun = new TRun();
    gRun->Dll = WindowsPath(UNFURL_DLL_PATH);
    gRun->Root = TempRoot();
    gRun->Boxes = std::make_unique<TBoxRecorder>();
    gRun->BoxesShown = BoxesAreShown(*gRun->Boxes);
    if (!gRun->BoxesShown)
      std::printf("note: no display, so message boxes are not shown and their texts are not "
                  "checked (scripts/test runs this under xvfb-run)\n");
    ASSERT_EQ(RegSvr(L"", gRun->Dll), 0) << "regsvr32 could not register the DLL";
  }
  void TearDown() override {
    RegSvr(L"/u", gRun->Dll);
    RemoveTree(gRun->Root);
    delete gRun;
    gRun = nullptr;
    CoUninitialize();
  }
};
testing::Environment* const gEnv = testing::AddGlobalTestEnvironment(new TRunEnvironment);

std::wstring Sample(const char* name) {
  return WindowsPath(std::string(VT_SAMPLES_DIR) + "/" + name);
}

// A fresh folder for one test case, under the run's folder.
std::wstring CaseFolder(const std::wstring& name) {
  const std::wstring f = gRun->Root + L"\\" + name;
  RemoveTree(f);
  EXPECT_TRUE(MakeFolder(f));
  return f;
}

std::wstring CaseFolderForTest() {
  const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
  std::string n = std::string(t->test_suite_name()) + "_" + t->name();
  for (char& c : n)
    if (c == '/') c = '_';
  return CaseFolder(std::wstring(n.begin(), n.end()));
}

// The boxes shown since the last call; checks them against want when they can be seen.
void ExpectBoxes(const std::vector<TMessageBox>& want) {
  const std::vector<TMessageBox> got = gRun->Boxes->Take();
  if (!gRun->BoxesShown) return;
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].Text, want[i].Text) << "box " << i;
    EXPECT_EQ(got[i].Caption, want[i].Caption) << "box " << i;
    EXPECT_EQ(int(got[i].Icon), int(want[i].Icon)) << "box " << i;
  }
}

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += c < 0x80 ? char(c) : '?';
  return s;
}

// ---- Registration ----

struct TExpectedValue {
  HKEY Root;
  std::wstring Key, Name, Data;
};

std::vector<TExpectedValue> ClassValues(HKEY root, const std::wstring& prefix,
                                        const std::wstring& server) {
  const std::wstring k = prefix + kClassKey;
  return {
      {root, k, L"", L"UnfurlContextMenu Object"},
      {root, k + L"\\InprocServer32", L"", server},
      {root, k + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {root, k + L"\\Version", L"", L"1.0"},
      {root, k + L"\\TypeLib", L"", L"{66BD0502-2648-4B17-B1B7-60D7E3E0624C}"},
      {HKEY_LOCAL_MACHINE, kApprovedKey, kCLSID, L"UnfurlContextMenu Object"},
      {HKEY_CLASSES_ROOT, kHandlerKey, L"", kCLSID},
  };
}

void ExpectValues(const std::vector<TExpectedValue>& values) {
  for (const TExpectedValue& v : values) {
    const std::optional<std::wstring> got = RegString(v.Root, v.Key, v.Name);
    ASSERT_TRUE(got.has_value()) << Narrow(v.Key) << " " << Narrow(v.Name);
    EXPECT_EQ(*got, v.Data) << Narrow(v.Key) << " " << Narrow(v.Name);
  }
}

void ExpectNothingRegistered() {
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\") + kClassKey));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kInterfaceKey));
  EXPECT_FALSE(RegString(HKEY_LOCAL_MACHINE, kApprovedKey, kCLSID).has_value());
}

TEST(Registration, PerMachineWritesTheClassHandlerApprovalAndTypeLibraryAndIsRepeatable) {
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
    ExpectValues(ClassValues(HKEY_CLASSES_ROOT, L"", gRun->Dll));
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, std::wstring(kTypeLibKey) + L"\\0\\win32"), gRun->Dll);
    // The help folder is the DLL's folder; the dual interface is known by its library.
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, std::wstring(kTypeLibKey) + L"\\HELPDIR"),
              gRun->Dll.substr(0, gRun->Dll.rfind(L'\\')));
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, std::wstring(kInterfaceKey) + L"\\TypeLib"),
              L"{66BD0502-2648-4B17-B1B7-60D7E3E0624C}");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\ProgID"));
  }
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(RegSvr(L"/u", gRun->Dll), 0) << "unregistration " << round;
    ExpectNothingRegistered();
  }
  ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
}

// Parts removed by hand (the type library's registration, the approval, the class's
// subkeys) do not keep unregistration from removing the rest.
TEST(Registration, UnregistrationRemovesTheRestWhenPartsAreAlreadyGone) {
  ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
  ASSERT_EQ(UnRegisterTypeLib(kLIBID, 1, 0, 0, SYS_WIN32), S_OK);
  HKEY approved = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(approved, kCLSID), ERROR_SUCCESS);
  RegCloseKey(approved);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(kClassKey) + L"\\Version").c_str()),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSvr(L"/u", gRun->Dll), 0);
  ExpectNothingRegistered();
  ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
}

TEST(Registration, PerUserPutsTheClassUnderTheUsersClassesAndTheHandlerUnderClassesRoot) {
  ASSERT_EQ(RegSvr(L"/u", gRun->Dll), 0);
  ASSERT_EQ(RegSvr(L"/n /i:user", gRun->Dll), 0);
  ExpectValues(ClassValues(HKEY_CURRENT_USER, L"Software\\Classes\\", gRun->Dll));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\") + kClassKey));
  EXPECT_EQ(RegSvr(L"/u /n /i:user", gRun->Dll), 0);
  ExpectNothingRegistered();
  ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
}

// DllInstall called directly: the command line "user" in any letter case means per user.
TEST(Registration, DllInstallTakesUserInAnyLetterCase) {
  HMODULE dll = LoadLibraryW(gRun->Dll.c_str());
  ASSERT_NE(dll, nullptr);
  using TInstall = HRESULT(WINAPI*)(BOOL, LPCWSTR);
  auto install = reinterpret_cast<TInstall>(
      reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllInstall")));
  ASSERT_NE(install, nullptr);
  const std::wstring userKey = std::wstring(L"Software\\Classes\\") + kClassKey;
  struct {
    const wchar_t* CmdLine;
    bool PerUser;
  } cases[] = {{L"USER", true}, {L"User", true}, {L"", false}, {L"users", false}};
  for (const auto& c : cases) {
    ASSERT_EQ(install(FALSE, nullptr), S_OK);
    ASSERT_EQ(install(TRUE, c.CmdLine), S_OK) << Narrow(c.CmdLine);
    EXPECT_EQ(RegKeyExists(HKEY_CURRENT_USER, userKey), c.PerUser) << Narrow(c.CmdLine);
    EXPECT_EQ(RegKeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\") + kClassKey),
              !c.PerUser)
        << Narrow(c.CmdLine);
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey)) << Narrow(c.CmdLine);
    ASSERT_EQ(install(FALSE, c.CmdLine), S_OK);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, userKey)) << Narrow(c.CmdLine);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey)) << Narrow(c.CmdLine);
  }
  FreeLibrary(dll);
  ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
}

TEST(Registration, APathWithABlankIsRegisteredInItsShortForm) {
  const std::wstring folder = CaseFolderForTest() + L"\\with blank";
  ASSERT_TRUE(MakeFolder(folder));
  const std::wstring copy = folder + L"\\Unfurl.dll";
  ASSERT_TRUE(CopyOneFile(gRun->Dll, copy));
  ASSERT_EQ(RegSvr(L"", copy), 0);
  const std::optional<std::wstring> server =
      RegString(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\InprocServer32");
  ASSERT_TRUE(server.has_value());
  EXPECT_EQ(server->find(L' '), std::wstring::npos) << Narrow(*server);
  wchar_t longPath[MAX_PATH] = {};
  ASSERT_GT(GetLongPathNameW(server->c_str(), longPath, MAX_PATH), 0u);
  EXPECT_EQ(_wcsicmp(longPath, copy.c_str()), 0) << Narrow(longPath);
  EXPECT_EQ(RegSvr(L"/u", copy), 0);
  ASSERT_EQ(RegSvr(L"", gRun->Dll), 0);
}

// ---- The type library and the class factory ----

TEST(TypeLibrary, TheDllCarriesTheLibraryItsDualInterfaceAndTheCreatableClass) {
  ITypeLib* lib = nullptr;
  ASSERT_EQ(LoadTypeLibEx(gRun->Dll.c_str(), REGKIND_NONE, &lib), S_OK);
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  EXPECT_TRUE(IsEqualGUID(la->guid, kLIBID));
  EXPECT_EQ(la->wMajorVerNum, 1);
  EXPECT_EQ(la->wMinorVerNum, 0);
  EXPECT_EQ(la->syskind, SYS_WIN32);
  lib->ReleaseTLibAttr(la);

  ITypeInfo* cls = nullptr;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kClsid, &cls), S_OK);
  TYPEATTR* ca = nullptr;
  ASSERT_EQ(cls->GetTypeAttr(&ca), S_OK);
  EXPECT_EQ(ca->typekind, TKIND_COCLASS);
  EXPECT_TRUE(ca->wTypeFlags & TYPEFLAG_FCANCREATE);
  ASSERT_EQ(ca->cImplTypes, 1);
  cls->ReleaseTypeAttr(ca);
  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(cls->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"UnfurlContextMenu");
  EXPECT_STREQ(doc, L"UnfurlContextMenu Object");
  SysFreeString(name);
  SysFreeString(doc);
  INT implFlags = 0;
  ASSERT_EQ(cls->GetImplTypeFlags(0, &implFlags), S_OK);
  EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE ref = 0;
  ASSERT_EQ(cls->GetRefTypeOfImplType(0, &ref), S_OK);
  ITypeInfo* itf = nullptr;
  ASSERT_EQ(cls->GetRefTypeInfo(ref, &itf), S_OK);
  TYPEATTR* ia = nullptr;
  ASSERT_EQ(itf->GetTypeAttr(&ia), S_OK);
  EXPECT_TRUE(IsEqualGUID(ia->guid, kIID));
  EXPECT_TRUE(ia->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_TRUE(ia->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
  // The interface part of the dual interface is the OLE-automation one.
  HREFTYPE vtblRef = 0;
  ITypeInfo* vtbl = nullptr;
  ASSERT_EQ(itf->GetRefTypeOfImplType(UINT(-1), &vtblRef), S_OK);
  ASSERT_EQ(itf->GetRefTypeInfo(vtblRef, &vtbl), S_OK);
  TYPEATTR* va = nullptr;
  ASSERT_EQ(vtbl->GetTypeAttr(&va), S_OK);
  EXPECT_EQ(va->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(va->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  EXPECT_TRUE(va->wTypeFlags & TYPEFLAG_FDUAL);
  vtbl->ReleaseTypeAttr(va);
  vtbl->Release();
  itf->ReleaseTypeAttr(ia);
  ASSERT_EQ(itf->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"IUnfurlContextMenu");
  EXPECT_STREQ(doc, L"Dispatch interface for UnfurlContextMenu Object");
  SysFreeString(name);
  SysFreeString(doc);

  // Its base is IDispatch from the standard OLE library it imports.
  ITypeInfo* dual = nullptr;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kIID, &dual), S_OK);
  HREFTYPE baseRef = 0;
  if (SUCCEEDED(dual->GetRefTypeOfImplType(UINT(-1), &baseRef))) {
    // A dispatch view: its interface part carries the base.
    ITypeInfo* vt = nullptr;
    ASSERT_EQ(dual->GetRefTypeInfo(baseRef, &vt), S_OK);
    dual->Release();
    dual = vt;
  }
  ASSERT_EQ(dual->GetRefTypeOfImplType(0, &baseRef), S_OK);
  ITypeInfo* base = nullptr;
  ASSERT_EQ(dual->GetRefTypeInfo(baseRef, &base), S_OK);
  ITypeLib* baseLib = nullptr;
  UINT index = 0;
  ASSERT_EQ(base->GetContainingTypeLib(&baseLib, &index), S_OK);
  ASSERT_EQ(baseLib->GetLibAttr(&la), S_OK);
  EXPECT_TRUE(IsEqualGUID(la->guid, kStdOle));
  baseLib->ReleaseTLibAttr(la);
  baseLib->Release();
  base->Release();
  dual->Release();
  itf->Release();
  cls->Release();
  lib->Release();
}

struct TDllExports {
  HMODULE Module = nullptr;
  HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, LPVOID*) = nullptr;
  HRESULT(WINAPI* CanUnloadNow)() = nullptr;
};

TDllExports LoadExports() {
  TDllExports e;
  e.Module = LoadLibraryW(gRun->Dll.c_str());
  if (!e.Module) return e;
  e.GetClassObject = reinterpret_cast<decltype(e.GetClassObject)>(
      reinterpret_cast<void (*)()>(GetProcAddress(e.Module, "DllGetClassObject")));
  e.CanUnloadNow = reinterpret_cast<decltype(e.CanUnloadNow)>(
      reinterpret_cast<void (*)()>(GetProcAddress(e.Module, "DllCanUnloadNow")));
  return e;
}

TEST(ClassFactory, ForeignClassIsNotAvailableAndTheOutPointerIsNull) {
  TDllExports e = LoadExports();
  ASSERT_TRUE(e.GetClassObject);
  const CLSID foreign = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* p = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(e.GetClassObject(foreign, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(p, nullptr);
  p = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(e.GetClassObject(kClsid, IID_IShellExtInit, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  FreeLibrary(e.Module);
}

TEST(ClassFactory, CanUnloadOnlyWithoutLiveObjectsAndLocks) {
  CoFreeUnusedLibraries();
  TDllExports e = LoadExports();
  ASSERT_TRUE(e.GetClassObject && e.CanUnloadNow);
  TComPtr<IClassFactory> factory;
  ASSERT_EQ(e.GetClassObject(kClsid, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(e.CanUnloadNow(), S_OK);

  TComPtr<IContextMenu> menu;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.PutVoid()), S_OK);
  TComPtr<IContextMenu> second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, second.PutVoid()), S_OK);
  EXPECT_NE(menu.Get(), second.Get()) << "one object per request";
  EXPECT_EQ(e.CanUnloadNow(), S_FALSE);
  menu.Reset();
  EXPECT_EQ(e.CanUnloadNow(), S_FALSE);
  second.Reset();
  EXPECT_EQ(e.CanUnloadNow(), S_OK);

  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(e.CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(e.CanUnloadNow(), S_OK);

  TComPtr<IUnknown> outer;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, outer.PutVoid()), S_OK);
  void* agg = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &agg), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(agg, nullptr);
  outer.Reset();
  EXPECT_EQ(e.CanUnloadNow(), S_OK);
  factory.Reset();
  FreeLibrary(e.Module);
}

TEST(ClassFactory, TheHandlerAnswersItsInterfacesAndDispatchFromTheTypeLibrary) {
  TComPtr<IDispatch> disp;
  ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, kIID, disp.PutVoid()), S_OK);
  TComPtr<IShellExtInit> init;
  EXPECT_EQ(disp->QueryInterface(IID_IShellExtInit, init.PutVoid()), S_OK);
  TComPtr<IContextMenu> menu;
  EXPECT_EQ(disp->QueryInterface(IID_IContextMenu, menu.PutVoid()), S_OK);
  TComPtr<IUnknown> a, b;
  ASSERT_EQ(init->QueryInterface(IID_IUnknown, a.PutVoid()), S_OK);
  ASSERT_EQ(menu->QueryInterface(IID_IUnknown, b.PutVoid()), S_OK);
  EXPECT_EQ(a.Get(), b.Get()) << "one identity";
  UINT count = 0;
  ASSERT_EQ(disp->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  TComPtr<ITypeInfo> ti;
  ASSERT_EQ(disp->GetTypeInfo(0, 0, ti.Put()), S_OK);
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
  EXPECT_TRUE(IsEqualGUID(ta->guid, kIID));
  ti->ReleaseTypeAttr(ta);
  // IDispatch's own members come from the library too; the interface adds none.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"GetTypeInfoCount")};
  DISPID id = 0;
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Extract")};
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
}

// ---- Explorer's context menu ----

// The registered handlers for every file type include this one, found by its class.
TEST(ContextMenu, TheHandlerIsRegisteredForEveryFileType) {
  bool found = false;
  for (const auto& h : RegisteredFileHandlers())
    if (_wcsicmp(h.second.c_str(), kCLSID) == 0) found = h.first == L"UnfurlContextMenu";
  EXPECT_TRUE(found);
}

struct TMenuRead {
  HRESULT QueryResult = E_FAIL;
  std::vector<TMenuItem> Items;     // the shell's menu after the call
  std::vector<TMenuItem> SubItems;  // the handler's popup
};

// Explorer's menu with two items of its own; the handler inserts at position 1.
TMenuRead QueryMenu(IContextMenu* menu, UINT first, HMENU* keep = nullptr) {
  TMenuRead r;
  HMENU m = CreatePopupMenu();
  AppendMenuW(m, MF_STRING, 1, L"&Open");
  AppendMenuW(m, MF_STRING, 2, L"P&roperties");
  r.QueryResult = menu->QueryContextMenu(m, 1, first, first + 99, CMF_NORMAL);
  r.Items = ReadMenu(m);
  if (r.Items.size() > 1 && r.Items[1].SubMenu) r.SubItems = ReadMenu(r.Items[1].SubMenu);
  if (keep)
    *keep = m;
  else
    DestroyMenu(m);
  return r;
}

struct TAcceptCase {
  const char* Sample;
  const wchar_t* Name;
  const wchar_t* DSName;
};

class AcceptedFile : public testing::TestWithParam<TAcceptCase> {};

TEST_P(AcceptedFile, GetsExpandWithItsTwoCommands) {
  const TAcceptCase& c = GetParam();
  const std::wstring dir = CaseFolderForTest();
  const std::wstring file = dir + L"\\" + c.Name;
  ASSERT_TRUE(CopyOneFile(Sample(c.Sample), file));
  TContextMenuSession s;
  ASSERT_EQ(OpenContextMenu(kCLSID, {file}, s), S_OK);
  EXPECT_EQ(s.InitResult, S_OK);
  const TMenuRead r = QueryMenu(s.Menu.Get(), 100);
  EXPECT_EQ(r.QueryResult, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));
  ASSERT_EQ(r.Items.size(), 3u);
  EXPECT_EQ(r.Items[0].Text, L"&Open");
  EXPECT_EQ(r.Items[1].Text, L"Expand XMI File");
  EXPECT_EQ(r.Items[1].Id, 1u) << "the item's identifier is the position it was given";
  EXPECT_EQ(r.Items[2].Text, L"P&roperties");
  ASSERT_EQ(r.SubItems.size(), 2u);
  EXPECT_EQ(r.SubItems[0].Text, L"Extract Here");
  EXPECT_EQ(r.SubItems[0].Id, 100u);
  EXPECT_EQ(r.SubItems[1].Text, std::wstring(L"Extract to ") + c.DSName);
  EXPECT_EQ(r.SubItems[1].Id, 101u);
  ExpectBoxes({});

  // The help text, whatever the command, cut to the caller's buffer.
  wchar_t wide[64];
  wmemset(wide, L'#', 64);
  EXPECT_EQ(s.Menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(wide), 64),
            S_OK);
  EXPECT_STREQ(wide, L"Expand the XMI File");
  wmemset(wide, L'#', 64);
  EXPECT_EQ(s.Menu->GetCommandString(1, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(wide), 5),
            S_OK);
  EXPECT_STREQ(wide, L"Expa");
  EXPECT_EQ(wide[5], L'#') << "nothing written past cchMax";
  char narrow[16];
  std::memset(narrow, '#', sizeof narrow);
  EXPECT_EQ(s.Menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, narrow, 8), S_OK);
  EXPECT_STREQ(narrow, "Expand ");
  EXPECT_EQ(narrow[8], '#') << "nothing written past cchMax bytes";

  // The file is not kept open: it can be removed while the menu is up.
  EXPECT_TRUE(DeleteFileW(file.c_str())) << "the file is still open";
}

INSTANTIATE_TEST_SUITE_P(
    Names, AcceptedFile,
    testing::Values(TAcceptCase{"sample_pds_fb80.xmi", L"lib.xmi", L"VANTREL.SAMPLE.JCL"},
                    TAcceptCase{"sample_seq_fb80.xmi", L"data.Xmit", L"VANTREL.SAMPLE.DATA"},
                    TAcceptCase{"sample_pdse.xmi", L"PDSE.XMI", L"VANTREL.SAMPLE.PDSE.JCL"}));

struct TRefuseCase {
  const char* Label;
  std::vector<const wchar_t*> Names;  // files made from the PDS sample, all selected
};

class RefusedSelection : public testing::TestWithParam<TRefuseCase> {};

TEST_P(RefusedSelection, GetsNoItemAndNoMessage) {
  const std::wstring dir = CaseFolderForTest();
  std::vector<std::wstring> files;
  for (const wchar_t* n : GetParam().Names) {
    files.push_back(dir + L"\\" + n);
    ASSERT_TRUE(CopyOneFile(Sample("sample_pds_fb80.xmi"), files.back()));
  }
  TContextMenuSession s;
  ASSERT_EQ(OpenContextMenu(kCLSID, files, s), S_OK);
  EXPECT_EQ(s.InitResult, E_FAIL);
  ExpectBoxes({});
}

INSTANTIATE_TEST_SUITE_P(
    Selections, RefusedSelection,
    testing::Values(TRefuseCase{"TwoFiles", {L"a.xmi", L"b.xmi"}},
                    TRefuseCase{"XmiAndOther", {L"a.xmi", L"b.txt"}},
                    TRefuseCase{"OtherExtension", {L"a.txt"}},
                    TRefuseCase{"LongerExtension", {L"a.xmit2"}},
                    TRefuseCase{"NoExtension", {L"xmi"}}),
    [](const testing::TestParamInfo<TRefuseCase>& i) { return std::string(i.param.Label); });

TEST(ContextMenu, NoDataObjectIsRefused) {
  TComPtr<IShellExtInit> init;
  ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                             init.PutVoid()),
            S_OK);
  EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_FAIL);
}

// Files with an accepted name that do not load: plain text, nothing at all, and a real
// transmission cut off in its middle or just before its last record.
std::vector<uint8_t> SampleBytes(const char* name) {
  const std::string path = std::string(VT_SAMPLES_DIR) + "/" + name;
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
      bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
  }
  return bytes;
}

struct TUnparsableCase {
  const char* Label;
  std::vector<uint8_t> (*Make)();
};

class UnparsableFile : public testing::TestWithParam<TUnparsableCase> {};

TEST_P(UnparsableFile, ShowsParseFailedIsRefusedAndIsNotHeldOpen) {
  const std::wstring dir = CaseFolderForTest();
  const std::wstring file = dir + L"\\notes.xmi";
  const std::vector<uint8_t> bytes = GetParam().Make();
  WriteBytes(file, bytes);
  TContextMenuSession s;
  ASSERT_EQ(OpenContextMenu(kCLSID, {file}, s), S_OK);
  EXPECT_EQ(s.InitResult, E_FAIL);
  ExpectBoxes({{L"Unfurl", L"Parse Failed", TBoxIcon::biNone}});
  EXPECT_TRUE(DeleteFileW(file.c_str())) << "the file is still open";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnparsableFile,
    testing::Values(
        TUnparsableCase{"Text",
                        [] {
                          const std::string t = "This is a text file, not a transmission.\r\n";
                          return std::vector<uint8_t>(t.begin(), t.end());
                        }},
        TUnparsableCase{"Empty", [] { return std::vector<uint8_t>(); }},
        TUnparsableCase{"CutInTheMiddle",
                        [] {
                          std::vector<uint8_t> b = SampleBytes("sample_pds_fb80.xmi");
                          b.resize(b.size() / 2);
                          return b;
                        }},
        TUnparsableCase{"CutBeforeTheEnd",
                        [] {
                          std::vector<uint8_t> b = SampleBytes("sample_seq_fb80.xmi");
                          b.resize(b.size() > 100 ? b.size() - 100 : 0);
                          return b;
                        }}),
    [](const testing::TestParamInfo<TUnparsableCase>& i) { return std::string(i.param.Label); });

// ---- The commands ----

// Opens the menu for file and invokes the command offset; returns InvokeCommand's result.
HRESULT RunCommand(const std::wstring& file, unsigned offset) {
  TContextMenuSession s;
  if (OpenContextMenu(kCLSID, {file}, s) != S_OK || s.InitResult != S_OK) return E_UNEXPECTED;
  QueryMenu(s.Menu.Get(), 100);
  return InvokeCommandOffset(s.Menu.Get(), offset);
}

// What the extraction library itself writes for the file into a folder of its own.
std::vector<std::pair<std::wstring, uint64_t>> ReferenceExtraction(const std::wstring& file,
                                                                   bool subfolder) {
  const std::wstring ref = CaseFolder(L"reference");
  TVTXMIParser p;
  p.LoadXMIFile(file);
  ExtractAllMembers(p, ref, subfolder);
  auto list = ListTree(ref);
  RemoveTree(ref);
  return list;
}

struct TCommandCase {
  const char* Label;
  const char* Sample;
  unsigned Offset;
  const wchar_t* Message;  // after the case folder and "\"
  const wchar_t* Target;   // a file or folder the command makes, relative to the case folder
};

class Command : public testing::TestWithParam<TCommandCase> {};

TEST_P(Command, ExtractsNextToTheFileAndReportsIt) {
  const TCommandCase& c = GetParam();
  const std::wstring dir = CaseFolderForTest();
  const std::wstring file = dir + L"\\input.xmi";
  ASSERT_TRUE(CopyOneFile(Sample(c.Sample), file));
  const auto want = ReferenceExtraction(file, c.Offset != 0);
  ASSERT_FALSE(want.empty());
  gRun->Boxes->Take();

  EXPECT_EQ(RunCommand(file, c.Offset), S_OK);
  std::wstring message = c.Message;
  const size_t at = message.find(L"%s");
  if (at != std::wstring::npos) message.replace(at, 2, dir + L"\\");
  ExpectBoxes({{L"Unfurl", message, TBoxIcon::biInformation}});
  EXPECT_NE(GetFileAttributesW((dir + L"\\" + c.Target).c_str()), INVALID_FILE_ATTRIBUTES);

  auto got = ListTree(dir);
  got.erase(std::remove_if(got.begin(), got.end(),
                           [](const auto& e) { return e.first == L"input.xmi"; }),
            got.end());
  EXPECT_EQ(got, want) << "the same files as the extraction library writes";
  EXPECT_TRUE(DeleteFileW(file.c_str())) << "the file is still open after the command";
}

INSTANTIATE_TEST_SUITE_P(
    Samples, Command,
    testing::Values(
        TCommandCase{"PdsHere", "sample_pds_fb80.xmi", 0, L"Extracted 6 member(s) to %s",
                     L"PAYROLL.txt"},
        TCommandCase{"PdsToSubfolder", "sample_pds_fb80.xmi", 1,
                     L"Extracted 6 member(s) to %sVANTREL.SAMPLE.JCL\\",
                     L"VANTREL.SAMPLE.JCL\\PAYROLL.txt"},
        TCommandCase{"ThirdIdentifierAsSubfolder", "sample_pds_fb80.xmi", 2,
                     L"Extracted 6 member(s) to %sVANTREL.SAMPLE.JCL\\", L"VANTREL.SAMPLE.JCL"},
        TCommandCase{"SequentialHere", "sample_seq_fb80.xmi", 0,
                     L"Extracted %sVANTREL.SAMPLE.DATA.txt", L"VANTREL.SAMPLE.DATA.txt"},
        TCommandCase{"SequentialToSubfolder", "sample_seq_fb80.xmi", 1,
                     L"Extracted %sVANTREL.SAMPLE.DATA.txt", L"VANTREL.SAMPLE.DATA.txt"}),
    [](const testing::TestParamInfo<TCommandCase>& i) { return std::string(i.param.Label); });

TEST(Commands, AVerbStringDoesNothing) {
  const std::wstring dir = CaseFolderForTest();
  const std::wstring file = dir + L"\\input.xmi";
  ASSERT_TRUE(CopyOneFile(Sample("sample_pds_fb80.xmi"), file));
  TContextMenuSession s;
  ASSERT_EQ(OpenContextMenu(kCLSID, {file}, s), S_OK);
  QueryMenu(s.Menu.Get(), 100);
  EXPECT_EQ(InvokeVerb(s.Menu.Get(), "open"), E_FAIL);
  EXPECT_EQ(ListTree(dir).size(), 1u);
  ExpectBoxes({});
}

TEST(Commands, AFailingExtractionShowsTheErrorAndStillSucceeds) {
  const std::wstring dir = CaseFolderForTest();
  const std::wstring file = dir + L"\\input.xmi";
  ASSERT_TRUE(CopyOneFile(Sample("sample_pds_fb80.xmi"), file));
  TContextMenuSession s;
  ASSERT_EQ(OpenContextMenu(kCLSID, {file}, s), S_OK);
  ASSERT_EQ(s.InitResult, S_OK);
  QueryMenu(s.Menu.Get(), 100);
  ASSERT_TRUE(DeleteFileW(file.c_str()));  // gone before the command runs
  EXPECT_EQ(InvokeCommandOffset(s.Menu.Get(), 0), S_OK);
  const std::vector<TMessageBox> boxes = gRun->Boxes->Take();
  if (gRun->BoxesShown) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, L"Unfurl");
    EXPECT_EQ(int(boxes[0].Icon), int(TBoxIcon::biError));
    EXPECT_FALSE(boxes[0].Text.empty());
  }
  EXPECT_TRUE(ListTree(dir).empty());
}

// A data set name that names a parent folder or a path cannot lead "Extract to" out of the
// file's folder: the name is made safe before it becomes a folder.
struct THostileCase {
  const char* Label;
  const char* DSName;
  bool Sequential;
};

class HostileName : public testing::TestWithParam<THostileCase> {};

TEST_P(HostileName, ExtractToStaysInTheFilesFolder) {
  const THostileCase& c = GetParam();
  const std::wstring outer = CaseFolderForTest();
  const std::wstring dir = outer + L"\\inner";
  ASSERT_TRUE(MakeFolder(dir));
  const std::wstring file = dir + L"\\hostile.xmi";
  vttest::TXmitBuilder b;
  if (c.Sequential) {
    vttest::TSeqDataSet ds;
    ds.DSName = c.DSName;
    ds.Records = vttest::FixedRecords({"ONE", "TWO"}, 80);
    WriteBytes(file, b.Sequential(ds));
  } else {
    vttest::TPDSDataSet ds;
    ds.DSName = c.DSName;
    vttest::TPDSMember m;
    m.Name = "MEMBER";
    m.Blocks = vttest::BlockFixed(vttest::FixedRecords({"HELLO"}, 80), 80, 27920);
    ds.Members.push_back(m);
    WriteBytes(file, b.PDS(ds));
  }
  {
    TVTXMIParser p;
    p.LoadXMIFile(file);
    ASSERT_EQ(p.DSName(), std::wstring(c.DSName, c.DSName + std::strlen(c.DSName)));
  }
  EXPECT_EQ(RunCommand(file, 1), S_OK);
  gRun->Boxes->Take();
  // Everything written lies in the file's folder, below a folder of a safe name.
  const auto all = ListTree(outer);
  ASSERT_EQ(all.size(), 2u);
  for (const auto& e : all) EXPECT_EQ(e.first.compare(0, 6, L"inner\\"), 0) << Narrow(e.first);
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileName,
    testing::Values(THostileCase{"ParentPds", "..", false},
                    THostileCase{"ParentSequential", "..", true},
                    THostileCase{"ParentPathPds", "..\\..\\EVIL", false},
                    THostileCase{"DrivePathSequential", "C:\\EVIL", true}),
    [](const testing::TestParamInfo<THostileCase>& i) { return std::string(i.param.Label); });

}  // namespace
