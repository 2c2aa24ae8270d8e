// time_unfurl_initialize FILE...: loads Unfurl.dll directly (no registration needed), and
// for each file times IShellExtInit::Initialize on the shell's data object, as the right
// click of a file in Explorer runs it. Prints the best and the median of several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "ExplorerClient.h"

using namespace explorer;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: time_unfurl_initialize FILE...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  HMODULE dll = LoadLibraryW(WindowsPath(UNFURL_DLL_PATH).c_str());
  using TGet = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);
  auto get = dll ? reinterpret_cast<TGet>(
                       reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllGetClassObject")))
                 : nullptr;
  const CLSID clsid = {0xCE81C6AB, 0xD4D8, 0x4994,
                       {0x87, 0x85, 0x11, 0x95, 0xBC, 0xCE, 0x63, 0x4F}};
  TComPtr<IClassFactory> factory;
  if (!get || FAILED(get(clsid, IID_IClassFactory, factory.PutVoid()))) {
    std::fprintf(stderr, "cannot load Unfurl.dll\n");
    return 1;
  }
  int rc = 0;
  for (int i = 1; i < argc; ++i) {
    const std::wstring file = WindowsPath(argv[i]);
    TComPtr<IDataObject> data;
    if (FAILED(ShellDataObject({file}, data))) {
      std::fprintf(stderr, "%s: no data object\n", argv[i]);
      rc = 1;
      continue;
    }
    std::vector<double> ms;
    HRESULT hr = S_OK;
    for (int run = 0; run < 7; ++run) {
      TComPtr<IShellExtInit> init;
      factory->CreateInstance(nullptr, IID_IShellExtInit, init.PutVoid());
      const auto t0 = std::chrono::steady_clock::now();
      hr = init->Initialize(nullptr, data.Get(), nullptr);
      const auto t1 = std::chrono::steady_clock::now();
      ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s: Initialize %s, best %.1f ms, median %.1f ms\n", argv[i],
                hr == S_OK ? "S_OK" : "failed", ms.front(), ms[ms.size() / 2]);
  }
  factory.Reset();
  CoUninitialize();
  return rc;
}
