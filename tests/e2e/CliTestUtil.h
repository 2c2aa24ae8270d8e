// Running unfurl in-process on the samples and on files built in code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Output.h"
#include "cli/UnfurlMain.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"

namespace clitest {

struct TRun {
  int Rc = -1;
  TStringOutput Out;
  TStringOutput Err;
};

inline TRun Unfurl(const std::vector<std::wstring>& args) {
  TRun r;
  r.Rc = UnfurlMain(args, r.Out, r.Err);
  return r;
}

inline std::wstring Sample(const char* name) {
  return vtplatform::JoinPath(vtplatform::FromUtf8(VT_SAMPLES_DIR), vtplatform::FromUtf8(name));
}

inline std::string Utf8(const std::wstring& s) { return vtplatform::ToUtf8(s); }

// A failure report: exactly one line on the error stream, naming the file, nothing on
// the output stream.
inline void ExpectOneLineFailure(const TRun& r, const std::wstring& file) {
  EXPECT_EQ(r.Rc, 1);
  ASSERT_EQ(r.Err.Lines.size(), 1u) << r.Err.Data;
  EXPECT_EQ(r.Err.Lines[0].rfind(L"unfurl: " + file + L": ", 0), 0u) << r.Err.Data;
  EXPECT_GT(r.Err.Lines[0].size(), file.size() + 10) << "the message says nothing";
}

inline std::string ReadBytes(const std::wstring& path) {
  vtplatform::TVTFileStream f(path, vtplatform::TVTFileStream::TMode::Read);
  std::string data(static_cast<size_t>(f.Size()), '\0');
  data.resize(f.Read(&data[0], data.size()));
  return data;
}

// Names of the files and folders directly in dir, sorted.
inline std::vector<std::wstring> ListDir(const std::wstring& dir) {
#ifdef _WIN32
  const std::filesystem::path p(dir);
#else
  const std::filesystem::path p(vtplatform::NativePath(dir));
#endif
  std::vector<std::wstring> names;
  for (const auto& e : std::filesystem::directory_iterator(p)) {
#ifdef _WIN32
    names.push_back(e.path().filename().wstring());
#else
    names.push_back(vtplatform::FromUtf8(e.path().filename().string()));
#endif
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace clitest
