// The record dump of a sequential data set: the text file the extraction writes holds the
// same lines as the dump made as text, whatever the record lengths and counts.
#include <gtest/gtest.h>

#include "XmitTestUtil.h"
#include "platform/TempDir.h"
#include "xmit/VTXMIExtract.h"

using namespace vttest;

TEST(RecordDump, ExtractedFileHoldsTheTextLines) {
  // Lengths around the dump width, an empty record, every byte value, and more than a
  // thousand records so that the numbers get their thousands separators.
  TSeqDataSet ds;
  ds.RECFM = 0x5000;
  ds.LRECL = 300;
  ds.BLKSIZE = 3000;
  const size_t lengths[] = {1, 0, 31, 32, 33, 64, 65, 256, 255};
  for (size_t i = 0; i < 1100; ++i) {
    Bytes r(lengths[i % 9]);
    for (size_t k = 0; k < r.size(); ++k) r[k] = static_cast<uint8_t>(i + k * 7);
    ds.Records.push_back(r);
  }
  TLoaded f(TXmitBuilder().Sequential(ds));
  for (bool convert : {true, false}) {
    SCOPED_TRACE(convert);
    f.P.SetConvertData(convert);
    TVTStringList sl;
    f.P.GetRecordData(sl, 0);
    ASSERT_GT(sl.Count(), 1100u * 5);
    std::string expected;
    for (const std::wstring& l : sl.Lines()) expected += vtplatform::ToAnsi(l) + "\r\n";
    EXPECT_NE(expected.find("Dump of record #1,099, Length=1 bytes, Offset="), std::string::npos);

    TTempDir dir;
    const std::wstring msg = ExtractAllMembers(f.P, dir.Path(), false);
    ASSERT_EQ(msg.rfind(L"Extracted ", 0), 0u) << vtplatform::ToUtf8(msg);
    EXPECT_EQ(ReadFile(msg.substr(10)), expected);
  }
}

TEST(RecordDump, EmptyRecordsDoNotEndTheData) {
  TSeqDataSet ds;
  ds.Records = {Ebcdic("FIRST"), Bytes(), Ebcdic("THIRD")};
  TLoaded f(TXmitBuilder().Sequential(ds));
  EXPECT_EQ(f.P.SeqRecordCount(), 3);
  TVTStringList sl;
  f.P.GetRecordText(sl, 0);
  ASSERT_EQ(sl.Count(), 3u);
  EXPECT_EQ(sl[0], L"FIRST");
  EXPECT_EQ(sl[1], L"");
  EXPECT_EQ(sl[2], L"THIRD");
  f.P.GetRecordData(sl, 0);
  std::vector<std::wstring> titles;
  for (const std::wstring& l : sl.Lines())
    if (l.rfind(L"Dump of record", 0) == 0) titles.push_back(l);
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(titles[1].rfind(L"Dump of record #2, Length=0 bytes", 0), 0u);
}
