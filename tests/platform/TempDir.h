// A private folder under the temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/VTPlatform.h"

class TTempDir {
 public:
  TTempDir() {
    // The unique empty file reserves the name; the folder sits beside it.
    FMarker = vtplatform::TempFileName(L"vtp");
    FPath = FMarker + L".d";
    vtplatform::ForceDirectories(FPath);
  }
  ~TTempDir() {
    std::error_code ec;
#ifdef _WIN32
    std::filesystem::remove_all(std::filesystem::path(FPath), ec);
#else
    std::filesystem::remove_all(std::filesystem::path(vtplatform::NativePath(FPath)), ec);
#endif
    vtplatform::RemoveFile(FMarker);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::wstring& Path() const { return FPath; }
  std::wstring File(const std::wstring& name) const { return vtplatform::JoinPath(FPath, name); }

 private:
  std::wstring FMarker;
  std::wstring FPath;
};
