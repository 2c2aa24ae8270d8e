// unfurl on every file of the shared corpus of real transmissions (skipped when absent):
// info and list succeed, or fail with one clear line; every partitioned data set extracts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../platform/TempDir.h"
#include "CliTestUtil.h"
#include "JsonRead.h"

using clitest::Unfurl;
using clitest::TRun;

namespace {

std::vector<std::wstring> CorpusFiles() {
  const std::wstring dir = vtplatform::FromUtf8(VT_CORPUS_DIR);
  std::vector<std::wstring> files;
  if (!vtplatform::DirectoryExists(dir)) return files;
  for (const std::wstring& name : clitest::ListDir(dir)) {
    const std::wstring path = vtplatform::JoinPath(dir, name);
    if (vtplatform::FileExists(path)) files.push_back(path);
  }
  return files;
}

TEST(CliCorpus, InfoListAndExtractOfEveryFile) {
  const std::vector<std::wstring> files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << VT_CORPUS_DIR;
  size_t loaded = 0, extracted = 0;
  for (const std::wstring& f : files) {
    SCOPED_TRACE(clitest::Utf8(f));
    const TRun info = Unfurl({L"info", f, L"--json"});
    if (info.Rc != 0) {
      // A file the reader refuses: one line that names it, for both commands.
      clitest::ExpectOneLineFailure(info, f);
      clitest::ExpectOneLineFailure(Unfurl({L"list", f}), f);
      continue;
    }
    ++loaded;
    const jsonread::TValue v = jsonread::Parse(info.Out.Data);

    const TRun list = Unfurl({L"list", f});
    if (list.Rc != 0) {
      clitest::ExpectOneLineFailure(list, f);
      continue;
    }
    const TRun listJson = Unfurl({L"list", f, L"--json"});
    ASSERT_EQ(listJson.Rc, 0) << listJson.Err.Data;
    const jsonread::TValue members = jsonread::Parse(listJson.Out.Data);
    const bool pds = v[L"unload_type"].String != L"sequential";
    if (!pds) continue;
    EXPECT_EQ(members.Items.size(), static_cast<size_t>(v[L"members"].Number));
    // The report: two header lines, then one line per member.
    EXPECT_EQ(list.Out.Lines.size(), members.Items.size() + 2);

    TTempDir tmp;
    const TRun ex = Unfurl({L"extract", f, tmp.Path(), L"--subdir"});
    EXPECT_EQ(ex.Rc, 0) << ex.Err.Data;
    ASSERT_FALSE(ex.Out.Lines.empty());
    EXPECT_EQ(ex.Out.Lines[0].rfind(L"Extracted ", 0), 0u);
    // Everything lands in the one data set folder.
    EXPECT_EQ(clitest::ListDir(tmp.Path()).size(), 1u);
    ++extracted;
  }
  EXPECT_GT(loaded, files.size() / 2) << "most of the corpus should load";
  EXPECT_GT(extracted, 0u);
}

}  // namespace
