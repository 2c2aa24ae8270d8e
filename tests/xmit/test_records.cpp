// The segment layer and the loader's walk over control and data records.
#include <gtest/gtest.h>

#include "XmitTestUtil.h"

using namespace vttest;

namespace {

// A sequential transmission of the given records, written with segments of at most maxSeg.
Bytes SeqFile(const std::vector<Bytes>& records, size_t maxSeg = 255) {
  TXmitOptions o;
  o.MaxSegment = maxSeg;
  TSeqDataSet ds;
  ds.Records = records;
  return TXmitBuilder(o).Sequential(ds);
}

// One segment as stored: length, flags, data.
Bytes Segment(uint8_t flags, const Bytes& data) {
  Bytes s{static_cast<uint8_t>(data.size() + 2), flags};
  Append(s, data);
  return s;
}

// The control records of a sequential transmission, ready for hand-made data segments.
void Header(TSegmentWriter& w) {
  TINMR01 h;
  w.AddRecord(h.Encode(), true);
  TINMR02 r2;
  r2.DSName = "A.B";
  w.AddRecord(r2.Encode(), true);
  w.AddRecord(TINMR03().Encode(), true);
}

}  // namespace

TEST(Records, SegmentsJoinIntoRecords) {
  // A data record of three segments and one of a single empty segment, between control
  // records written as single segments with flags E0.
  TSegmentWriter w;
  Header(w);
  const uint64_t firstData = w.Position();
  w.AddRaw(Segment(0x80, Ebcdic("AAA")));
  w.AddRaw(Segment(0x20, Ebcdic("BB")));  // a stray control flag on a continuation
  w.AddRaw(Segment(0x40, Ebcdic("C")));
  w.AddRaw(Segment(0xC0, {}));
  w.AddRecord(MakeINMR06(), true);
  w.AddRaw(Bytes{0x01, 0x00, 0xFF});  // after the trailer: never read
  TVTXMIParser p;
  LoadBytes(p, w.Take());
  EXPECT_EQ(p.SeqRecordCount(), 2);
  EXPECT_EQ(p.FirstSeqRecordPos(), static_cast<int64_t>(firstData));
  EXPECT_EQ(p.RecordCount(), 6);
  EXPECT_EQ(p.ControlRecordCount(), 4);
  EXPECT_EQ(p.DataRecordCount(), 2u);
}

TEST(Records, ContinuationWithoutControlFlagStaysControl) {
  // INMR02 split over two segments, the second without 0x20: still one control record.
  TSegmentWriter w;
  w.AddRecord(TINMR01().Encode(), true);
  TINMR02 r2;
  r2.DSName = "SPLIT.NAME";
  const Bytes rec = r2.Encode();
  w.AddRaw(Segment(0xA0, Bytes(rec.begin(), rec.begin() + 10)));
  w.AddRaw(Segment(0x40, Bytes(rec.begin() + 10, rec.end())));
  w.AddRecord(TINMR03().Encode(), true);
  w.AddRecord(MakeINMR06(), true);
  TVTXMIParser p;
  LoadBytes(p, w.Take());
  EXPECT_EQ(p.DSName(), L"SPLIT.NAME");
  EXPECT_EQ(p.ControlRecordCount(), 4);
}

TEST(Records, LongRecordsGrowTheBuffer) {
  // Real files carry records a little over 32,768 bytes; much longer ones load too. (No
  // length is a multiple of the LRECL 80, so each stays one record.)
  for (size_t len : {size_t(32772), size_t(40001), size_t(1) << 20}) {
    TVTXMIParser p;
    LoadBytes(p, SeqFile({Bytes(len, 0xC1), Bytes(80, 0xC2)}));
    EXPECT_EQ(p.SeqRecordCount(), 2) << len;
  }
}

TEST(Records, SmallSegmentsGiveTheSameIndex) {
  for (size_t maxSeg : {size_t(3), size_t(7), size_t(255)}) {
    TVTXMIParser p;
    LoadBytes(p, SeqFile(std::vector<Bytes>(50, Bytes(80, 0xC1)), maxSeg));
    EXPECT_EQ(p.SeqRecordCount(), 50) << maxSeg;
  }
}

TEST(Records, DamagedFilesFailWithAClearError) {
  struct TCase {
    const char* what;
    Bytes file;
    const char* message;  // part of the EXMITError message
  };
  std::vector<TCase> cases;
  {
    TSegmentWriter w;
    w.AddRecord(Ebcdic("DATA"), false);
    cases.push_back({"data first", w.Take(), "Bad Control Record Structure"});
  }
  {
    TSegmentWriter w;
    w.AddRecord(TINMR01().Encode(), true);
    w.AddRecord(Ebcdic("DATA"), false);
    cases.push_back({"data before INMR02", w.Take(), "Bad Control Record Structure"});
  }
  {
    TSegmentWriter w;
    w.AddRecord(TINMR01().Encode(), true);
    w.AddRecord(TINMR02().Encode(), true);
    w.AddRecord(Ebcdic("DATA"), false);
    cases.push_back({"data before INMR03", w.Take(), "Bad Control Record Structure"});
  }
  {
    TSegmentWriter w;
    w.AddRecord(TINMR01().Encode(), true);
    w.AddRecord(MakeControlRecord("INMR05", {}, {}), true);
    cases.push_back({"INMR05", w.Take(), "Unrecognized Control Record: INMR05"});
  }
  {
    TSegmentWriter w;
    Header(w);
    w.AddRaw(Bytes{0x01, 0xC0});
    cases.push_back({"segment length 1", w.Take(), "Invalid segment length 1 at offset"});
  }
  {
    TSegmentWriter w;
    Header(w);
    w.AddRaw(Segment(0x80, Ebcdic("ABC")));
    cases.push_back({"end inside a record", w.Take(), "Unexpected end of file inside a record"});
  }
  {
    TSegmentWriter w;
    Header(w);
    w.AddRaw(Bytes{0x20, 0xC0, 0x01});
    cases.push_back({"end inside a segment", w.Take(), "Unexpected end of file inside a record"});
  }
  {
    TSegmentWriter w;
    Header(w);
    cases.push_back({"no trailer", w.Take(), "no INMR06 trailer record"});
  }
  cases.push_back({"record over the limit",
                   SeqFile({Bytes(TVTXMIParser::kMaxRecordLength + 1, 0x40)}),
                   "Logical record longer than"});
  cases.push_back({"empty file", Bytes(), "no INMR06"});
  for (const TCase& c : cases) {
    const std::string err = LoadError(c.file);
    EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
  }
}

TEST(Records, SegmentErrorNamesTheOffset) {
  TSegmentWriter w;
  Header(w);
  const uint64_t at = w.Position();
  w.AddRaw(Bytes{0x00, 0xC0});
  const std::string err = LoadError(w.Take());
  EXPECT_NE(err.find("Invalid segment length 0 at offset " + std::to_string(at)), std::string::npos)
      << err;
}

TEST(Records, UnreadableFileRaisesThePlatformError) {
  TVTXMIParser p;
  EXPECT_THROW(p.LoadXMIFile(L"/nonexistent/dir/none.xmi"), vtplatform::EVTPlatformError);
}
