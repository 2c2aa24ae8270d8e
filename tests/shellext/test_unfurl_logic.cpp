// The extension's rules that need no COM: accepted file names, command texts and buffers,
// the DllInstall command line and the registry entries of both registration modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "shellext/UnfurlLogic.h"

namespace {

using namespace unfurl;

TEST(UnfurlLogic, AcceptsOnlyXmiAndXmitInAnyLetterCase) {
  struct {
    const wchar_t* Path;
    bool Accepted;
  } cases[] = {
      {L"C:\\work\\a.xmi", true},         {L"C:\\work\\a.XMIT", true},
      {L"C:\\work\\a.Xmit", true},        {L"a.xMi", true},
      {L"C:\\work\\a.xmit2", false},      {L"C:\\work\\a.xm", false},
      {L"C:\\work\\xmi", false},          {L"C:\\work\\a.txt", false},
      {L"C:\\work.xmi\\file", false},     {L"C:\\work\\a.xmi.txt", false},
      {L"C:\\work\\.xmi", true},          {L"C:\\work\\a.", false},
      {L"C:\\work\\a.XMI XMIT", false},   {L"C:\\work\\a. .XMI", true},
      {L"", false},                        {L"C:\\work\\a.mi", false},
      {L"a.X", false},                     {L"a.XM", false},
      {L"a.XMIT.", false},                 {L"a.MIT", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsAcceptedFileName(c.Path), c.Accepted) << std::wstring(c.Path).size() << ":"
                                                      << testing::PrintToString(c.Path);
}

TEST(UnfurlLogic, ExtensionIsTakenFromTheLastPathComponent) {
  EXPECT_EQ(FileExtension(L"C:\\a.b\\c"), L"");
  EXPECT_EQ(FileExtension(L"C:\\a.b\\c.d.e"), L".e");
  EXPECT_EQ(FileExtension(L"/x.y/z"), L"");
  EXPECT_EQ(FileExtension(L"D:name.xmi"), L".xmi");
}

TEST(UnfurlLogic, MenuTextsAndCommandOffsets) {
  EXPECT_EQ(ExtractToMenuText(L"A.B"), L"Extract to A.B");
  EXPECT_EQ(ExtractToMenuText(L""), L"Extract to ");
  EXPECT_FALSE(SubfolderForCommand(0));
  EXPECT_TRUE(SubfolderForCommand(1));
  EXPECT_TRUE(SubfolderForCommand(2));
}

TEST(UnfurlLogic, CopyTruncatedEndsWithANulInsideTheBuffer) {
  struct {
    size_t Cch;
    const wchar_t* Want;
  } cases[] = {{1, L""}, {2, L"E"}, {5, L"Expa"}, {19, L"Expand the XMI Fil"},
               {20, L"Expand the XMI File"}, {64, L"Expand the XMI File"}};
  for (const auto& c : cases) {
    wchar_t wide[70];
    char narrow[70];
    std::fill(std::begin(wide), std::end(wide), L'#');
    std::fill(std::begin(narrow), std::end(narrow), '#');
    EXPECT_EQ(CopyTruncated(kHelpText, wide, c.Cch), std::wcslen(c.Want));
    EXPECT_STREQ(wide, c.Want) << c.Cch;
    EXPECT_EQ(wide[c.Cch], L'#') << c.Cch;
    CopyTruncated(kHelpText, narrow, c.Cch);
    EXPECT_EQ(std::wstring(narrow, narrow + std::strlen(narrow)), c.Want) << c.Cch;
    EXPECT_EQ(narrow[c.Cch], '#') << c.Cch;
  }
  wchar_t untouched = L'#';
  EXPECT_EQ(CopyTruncated(kHelpText, &untouched, 0), 0u);
  EXPECT_EQ(untouched, L'#');
  EXPECT_EQ(CopyTruncated(kHelpText, static_cast<wchar_t*>(nullptr), 10), 0u);
  char out[4];
  CopyTruncated(L"\u00e9t\u00e9", out, 4);
  EXPECT_STREQ(out, "?t?");
}

TEST(UnfurlLogic, PerUserOnlyForTheWordUser) {
  struct {
    const wchar_t* CmdLine;
    bool PerUser;
  } cases[] = {{L"user", true},  {L"USER", true},  {L"uSeR", true},   {L"", false},
               {L"users", false}, {L"use", false}, {L" user", false}, {nullptr, false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsPerUserCommandLine(c.CmdLine), c.PerUser)
        << (c.CmdLine ? testing::PrintToString(c.CmdLine) : "null");
}

TEST(UnfurlLogic, RegistrationEntriesOfBothModes) {
  const std::wstring server = L"C:\\PROGRA~1\\Unfurl.dll";
  for (bool perUser : {false, true}) {
    const std::wstring cls = std::wstring(perUser ? L"Software\\Classes\\" : L"") +
                             L"CLSID\\{CE81C6AB-D4D8-4994-8785-1195BCCE634F}";
    const TRegRoot root = perUser ? TRegRoot::rrCurrentUser : TRegRoot::rrClassesRoot;
    const std::vector<TRegEntry> want = {
        {root, cls, L"", L"UnfurlContextMenu Object"},
        {root, cls + L"\\InprocServer32", L"", server},
        {root, cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {root, cls + L"\\Version", L"", L"1.0"},
        {root, cls + L"\\TypeLib", L"", L"{66BD0502-2648-4B17-B1B7-60D7E3E0624C}"},
        {TRegRoot::rrLocalMachine,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
         L"{CE81C6AB-D4D8-4994-8785-1195BCCE634F}", L"UnfurlContextMenu Object", true},
        {TRegRoot::rrClassesRoot, L"*\\shellex\\ContextMenuHandlers\\UnfurlContextMenu", L"",
         L"{CE81C6AB-D4D8-4994-8785-1195BCCE634F}"},
    };
    const std::vector<TRegEntry> got = RegistrationEntries(perUser, server);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(got[i].Root, want[i].Root) << perUser << " " << i;
      EXPECT_EQ(got[i].Key, want[i].Key) << perUser << " " << i;
      EXPECT_EQ(got[i].ValueName, want[i].ValueName) << perUser << " " << i;
      EXPECT_EQ(got[i].Data, want[i].Data) << perUser << " " << i;
      EXPECT_EQ(got[i].Optional, want[i].Optional) << perUser << " " << i;
    }
  }
}

// Unregistration removes what registration wrote, each key after its subkeys.
TEST(UnfurlLogic, UnregistrationRemovesEveryWrittenKeyChildrenFirst) {
  for (bool perUser : {false, true}) {
    const std::vector<TRegRemoval> steps = UnregistrationSteps(perUser);
    for (const TRegEntry& e : RegistrationEntries(perUser, L"x")) {
      bool removed = false;
      for (const TRegRemoval& r : steps)
        if (r.Root == e.Root && r.Key == e.Key && (!r.IsValue || r.ValueName == e.ValueName))
          removed = true;
      EXPECT_TRUE(removed) << perUser << " " << testing::PrintToString(e.Key);
    }
    for (size_t i = 0; i < steps.size(); ++i)
      for (size_t j = i + 1; j < steps.size(); ++j)
        EXPECT_FALSE(!steps[i].IsValue && steps[j].Root == steps[i].Root &&
                     steps[j].Key.compare(0, steps[i].Key.size() + 1, steps[i].Key + L"\\") == 0)
            << "a key is deleted before its subkey " << i << " " << j;
  }
}

}  // namespace
