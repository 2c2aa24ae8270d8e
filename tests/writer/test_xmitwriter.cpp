// Checks the test-support XMIT writer against real transmissions and against a small
// structural reader written here (independent of the product's reader).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "support/XmitWriter.h"

namespace {

using vttest::Bytes;

Bytes Hex(const std::string& h) {
  Bytes out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(h.substr(i, 2), nullptr, 16)));
  return out;
}

bool ReadFileBytes(const std::string& path, Bytes& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

uint32_t Get(const Bytes& b, size_t off, size_t n) {
  if (off + n > b.size()) throw std::out_of_range("field past the end of the record");
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | b[off + i];
  return v;
}

// ---- a small independent reader --------------------------------------------------------------

struct TSeg {
  uint8_t Len, Flags;
};

struct TRec {
  uint64_t Offset = 0;
  bool Control = false;
  Bytes Data;
  std::vector<TSeg> Segs;
  std::string Name() const {  // control record name, for the INMRnn names only
    static const char* const kNames[] = {"INMR01", "INMR02", "INMR03", "INMR04",
                                         "INMR05", "INMR06", "INMR07"};
    for (const char* n : kNames)
      if (Data.size() >= 6 && Bytes(Data.begin(), Data.begin() + 6) == vttest::Ebcdic(n)) return n;
    return "?";
  }
};

// Records up to and including INMR06; `end` receives the offset after it.
std::vector<TRec> ParseRecords(const Bytes& f, size_t* end = nullptr) {
  std::vector<TRec> recs;
  size_t p = 0;
  while (p < f.size()) {
    TRec r;
    r.Offset = p;
    while (true) {
      if (p + 2 > f.size()) throw std::runtime_error("cut in a segment descriptor");
      uint8_t l = f[p], fl = f[p + 1];
      if (l < 2 || p + l > f.size()) throw std::runtime_error("bad segment length");
      r.Segs.push_back({l, fl});
      r.Data.insert(r.Data.end(), f.begin() + p + 2, f.begin() + p + l);
      p += l;
      if (fl & 0x40) break;
    }
    r.Control = (r.Segs[0].Flags & 0x20) != 0;
    recs.push_back(std::move(r));
    if (recs.back().Control && recs.back().Name() == "INMR06") break;
  }
  if (end) *end = p;
  return recs;
}

// Text units of a control record: key -> items (the last unit of a key wins).
std::map<uint16_t, std::vector<Bytes>> Units(const TRec& r) {
  std::map<uint16_t, std::vector<Bytes>> u;
  size_t p = r.Name() == "INMR02" ? 10 : 6;
  while (p < r.Data.size()) {
    uint16_t key = static_cast<uint16_t>(Get(r.Data, p, 2));
    uint32_t n = Get(r.Data, p + 2, 2);
    p += 4;
    std::vector<Bytes> items;
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t len = Get(r.Data, p, 2);
      if (p + 2 + len > r.Data.size()) throw std::runtime_error("item past the record");
      items.emplace_back(r.Data.begin() + p + 2, r.Data.begin() + p + 2 + len);
      p += 2 + len;
    }
    u[key] = items;
  }
  return u;
}

struct TEntry {
  Bytes Name;
  uint16_t TT;
  uint8_t R, C;
  Bytes UserData;
};

struct TUnload {
  bool PDSE = false;
  uint32_t TrksPerCyl = 0;
  std::vector<vttest::TExtent> Extents;
  std::vector<TEntry> Entries;
  std::vector<uint16_t> UsedCounts;
  size_t FirstMemberRecord = 0;  // index into the records
  bool LastKeyFF = false;
};

// Reads COPYR1, COPYR2 and the directory from records[first...].
TUnload ParseUnload(const std::vector<TRec>& recs, size_t first) {
  TUnload u;
  const Bytes& r1 = recs.at(first).Data;
  EXPECT_EQ(Bytes(r1.begin() + 1, r1.begin() + 4), Hex("CA6D0F"));
  u.PDSE = (r1.at(0) & 0x01) != 0;
  u.TrksPerCyl = Get(r1, 26, 2);
  const Bytes& r2 = recs.at(first + 1).Data;
  for (unsigned k = 0; k < r2.at(0); ++k) {
    size_t o = 16 + 16 * k;
    u.Extents.push_back({static_cast<uint16_t>(Get(r2, o + 6, 2)), static_cast<uint16_t>(Get(r2, o + 8, 2)),
                         static_cast<uint16_t>(Get(r2, o + 10, 2)), static_cast<uint16_t>(Get(r2, o + 12, 2))});
  }
  size_t i = first + 2;
  while (true) {
    const Bytes& d = recs.at(i).Data;
    const size_t nb = d.size() / 276;
    EXPECT_GE(nb, 1u);
    for (size_t b = 0; b < nb; ++b) {
      const size_t base = b * 276;
      const uint16_t used = static_cast<uint16_t>(Get(d, base + 20, 2));
      u.UsedCounts.push_back(used);
      EXPECT_LE(used, 256u);
      size_t p = base + 22;
      while (p - (base + 20) < used && d.at(p) != 0xFF) {
        TEntry e;
        e.Name.assign(d.begin() + p, d.begin() + p + 8);
        e.TT = static_cast<uint16_t>(Get(d, p + 8, 2));
        e.R = d.at(p + 10);
        e.C = d.at(p + 11);
        const size_t ud = 2 * (e.C & 0x1F);
        e.UserData.assign(d.begin() + p + 12, d.begin() + p + 12 + ud);
        p += 12 + ud;
        u.Entries.push_back(e);
      }
    }
    ++i;
    if (d.at((nb - 1) * 276 + 13) == 0xFF) {
      u.LastKeyFF = true;
      break;
    }
  }
  u.FirstMemberRecord = i;
  return u;
}

// Relative track of an absolute address through the extents; -1 when in none.
long RelTrack(const TUnload& u, uint32_t cyl, uint32_t trk) {
  const uint32_t abs = cyl * u.TrksPerCyl + trk;
  uint32_t rel = 0;
  for (const vttest::TExtent& e : u.Extents) {
    const uint32_t s = e.StartCyl * u.TrksPerCyl + e.StartTrk;
    const uint32_t en = e.EndCyl * u.TrksPerCyl + e.EndTrk;
    if (abs >= s && abs <= en) return static_cast<long>(abs - s + rel);
    rel += en - s + 1;
  }
  return -1;
}

struct TBlock {
  uint8_t Flag;
  uint16_t Cyl, Trk;
  uint8_t R;
  Bytes Data;
};

// The blocks of one member, from the record at `index` to the block with DL 0 (not included;
// its address goes to `endBlock`); `records` receives the number of records walked.
std::vector<TBlock> MemberBlocks(const std::vector<TRec>& recs, size_t index, size_t* records,
                                 TBlock* endBlock) {
  std::vector<TBlock> out;
  for (size_t i = index; i < recs.size() && !recs[i].Control; ++i) {
    const Bytes& d = recs[i].Data;
    size_t p = 0;
    while (p < d.size()) {
      const uint16_t dl = static_cast<uint16_t>(Get(d, p + 10, 2));
      if (dl == 0) {
        EXPECT_EQ(p + 12, d.size()) << "end block is not the last of its record";
        *records = i - index + 1;
        *endBlock = {d[p], static_cast<uint16_t>(Get(d, p + 4, 2)),
                     static_cast<uint16_t>(Get(d, p + 6, 2)), d[p + 8], {}};
        return out;
      }
      if (p + 12 + dl > d.size()) throw std::runtime_error("block past the record");
      out.push_back({d[p], static_cast<uint16_t>(Get(d, p + 4, 2)),
                     static_cast<uint16_t>(Get(d, p + 6, 2)), d[p + 8],
                     Bytes(d.begin() + p + 12, d.begin() + p + 12 + dl)});
      EXPECT_EQ(d[p + 9], 0) << "member blocks carry no key";
      p += 12 + dl;
    }
  }
  ADD_FAILURE() << "member without an end block";
  return out;
}

// ---- encoding --------------------------------------------------------------------------------

TEST(XmitWriterEncoding, EbcdicAndPackedValues) {
  struct TCase {
    char c;
    uint8_t e;
  };
  // Characters whose code page 037 values are easy to get wrong.
  const TCase cases[] = {{' ', 0x40}, {'A', 0xC1}, {'J', 0xD1}, {'S', 0xE2}, {'Z', 0xE9},
                         {'a', 0x81}, {'j', 0x91}, {'s', 0xA2}, {'z', 0xA9}, {'0', 0xF0},
                         {'9', 0xF9}, {'[', 0xBA}, {']', 0xBB}, {'^', 0xB0}, {'!', 0x5A},
                         {'|', 0x4F}, {'~', 0xA1}, {'`', 0x79}, {'{', 0xC0}, {'}', 0xD0},
                         {'\\', 0xE0}, {'$', 0x5B}, {'#', 0x7B}, {'@', 0x7C}, {'_', 0x6D},
                         {'\t', 0x6F}, {'\x7F', 0x6F}};
  for (const TCase& c : cases) EXPECT_EQ(vttest::ToEbcdic(c.c), c.e) << "char " << int(c.c);
  EXPECT_EQ(vttest::EbcdicPadded("AB", 4), Hex("C1C24040"));
  EXPECT_EQ(vttest::EbcdicPadded("ABCDEF", 3, 0x00), Hex("C1C2C3"));

  EXPECT_EQ(vttest::PackedDate(2021, 68), 0x0121068Fu);
  EXPECT_EQ(vttest::PackedDate(1999, 365), 0x0099365Fu);
  EXPECT_EQ(vttest::PackedDate(2000, 1), 0x0100001Fu);
  EXPECT_EQ(vttest::PackedByte(59), 0x59);
  EXPECT_EQ(vttest::BE(0x0102030405ULL, 3), Hex("030405"));
}

// ---- segments --------------------------------------------------------------------------------

TEST(XmitWriterSegments, SplitsRecordsAndFlagsEverySegment) {
  struct TCase {
    size_t len, maxSeg;
    bool control;
    size_t segments;
  };
  const TCase cases[] = {
      {0, 255, false, 1},   {1, 255, true, 1},    {253, 255, false, 1}, {254, 255, false, 2},
      {506, 255, true, 2},  {507, 255, false, 3}, {1000, 20, true, 56}, {5, 3, false, 5},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("len " + std::to_string(c.len) + " max " + std::to_string(c.maxSeg));
    vttest::TSegmentWriter w(c.maxSeg);
    Bytes first = {1, 2, 3};
    const uint64_t off0 = w.AddRecord(first, false);
    const uint64_t after = w.Position();
    Bytes data(c.len);
    for (size_t i = 0; i < c.len; ++i) data[i] = static_cast<uint8_t>(i * 7);
    const uint64_t off1 = w.AddRecord(data, c.control);
    EXPECT_EQ(off0, 0u);
    EXPECT_EQ(off1, after);
    EXPECT_EQ(w.RecordCount(), 2u);

    Bytes f = w.Take();
    const uint8_t ctl = c.control ? 0x20 : 0x00;
    size_t p = static_cast<size_t>(off1), got = 0;
    Bytes joined;
    while (p < f.size()) {
      const uint8_t l = f[p], fl = f[p + 1];
      ASSERT_GE(l, 2);
      ASSERT_LE(l, c.maxSeg);
      EXPECT_EQ(fl & 0x20, ctl) << "control flag on segment " << got;
      EXPECT_EQ((fl & 0x80) != 0, got == 0);
      EXPECT_EQ((fl & 0x40) != 0, p + l == f.size());
      joined.insert(joined.end(), f.begin() + p + 2, f.begin() + p + l);
      p += l;
      ++got;
    }
    EXPECT_EQ(got, c.segments);
    EXPECT_EQ(joined, data);
  }
  EXPECT_THROW(vttest::TSegmentWriter(2), std::invalid_argument);
  EXPECT_THROW(vttest::TSegmentWriter(256), std::invalid_argument);
}

TEST(XmitWriterSegments, StreamsToAFileAndPads) {
  const std::string path = ::testing::TempDir() + "xw_stream.bin";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  Bytes expect;
  {
    vttest::TSegmentWriter mem;
    vttest::TSegmentWriter file;
    file.SetSink(f, 100);  // flush often
    for (int i = 0; i < 50; ++i) {
      Bytes r(static_cast<size_t>(i * 13), static_cast<uint8_t>(i));
      EXPECT_EQ(mem.AddRecord(r, i % 3 == 0), file.AddRecord(r, i % 3 == 0));
    }
    mem.Pad(80, 0x00);
    file.Pad(80, 0x00);
    EXPECT_EQ(mem.Position(), file.Position());
    EXPECT_EQ(mem.Position() % 80, 0u);
    file.Flush();
    expect = mem.Take();
  }
  std::fclose(f);
  Bytes got;
  ASSERT_TRUE(ReadFileBytes(path, got));
  std::remove(path.c_str());
  EXPECT_EQ(got, expect);
}

// ---- control records against real transmissions -------------------------------------------

// Control records written by TRANSMIT itself; rebuilding them from their values must give the
// same bytes.
TEST(XmitWriterControlRecords, MatchRealTransmissions) {
  Bytes seq, msg;
  if (!ReadFileBytes(std::string(VT_CORPUS_DIR) + "/xmi__test_seq.xmi", seq) ||
      !ReadFileBytes(std::string(VT_CORPUS_DIR) + "/xmi__test_pds_msg.xmi", msg))
    GTEST_SKIP() << "corpus not present";

  {  // sequential FB 80
    vttest::TINMR01 h;
    h.FromNode = "ORIGNODE";
    h.FromUser = "ORIGUID";
    h.ToNode = "DESTNODE";
    h.ToUser = "DESTUID";
    h.Time = "20210309045318";
    vttest::TINMR02 r2;
    r2.Size = 0;
    r2.BLKSIZE = 3200;
    r2.RECFM = 0x9002;
    vttest::TINMR03 r3;
    vttest::TSegmentWriter w;
    w.AddRecord(h.Encode(), true);
    w.AddRecord(r2.Encode(), true);
    w.AddRecord(r3.Encode(), true);
    const Bytes& b = w.Buffer();
    ASSERT_LE(b.size(), seq.size());
    EXPECT_EQ(b, Bytes(seq.begin(), seq.begin() + b.size()));
  }
  {  // message and PDS
    vttest::TINMR01 h;
    h.FromNode = "SMOG";
    h.FromUser = "PHIL";
    h.ToNode = "XMIT";
    h.ToUser = "PHIL";
    h.Time = "20210309051441";
    h.NumFiles = 2;
    h.Ack = true;
    vttest::TINMR02 m;
    m.Term = true;
    m.Size = 0xE5A2;
    m.LRECL = 251;
    m.RECFM = 0x5002;
    vttest::TINMR02 ieb;
    ieb.FileNumber = 2;
    ieb.Utility = "IEBCOPY";
    ieb.Size = 0x2B0E6;
    ieb.DSORG = 0x0200;
    ieb.Type = 0;
    ieb.BLKSIZE = 0x6D10;
    ieb.Dir = 6;
    ieb.DSName = "PYTHON.XMI.PDS";
    vttest::TINMR02 copy;
    copy.FileNumber = 2;
    copy.Size = 0x2B0E6;
    copy.LRECL = 32756;
    copy.RECFM = 0x4802;
    vttest::TINMR03 r3;
    r3.Size = 0x2B0E6;
    vttest::TSegmentWriter w;
    for (const Bytes& r : {h.Encode(), m.Encode(), ieb.Encode(), copy.Encode(), r3.Encode()})
      w.AddRecord(r, true);
    const Bytes& b = w.Buffer();
    ASSERT_LE(b.size(), msg.size());
    EXPECT_EQ(b, Bytes(msg.begin(), msg.begin() + b.size()));
  }
}

// ---- directory user data against real entries ----------------------------------------------

TEST(XmitWriterUserData, MatchesRealDirectoryEntries) {
  // An ISPF-edited member (15 halfwords) and two load-module entries, main and alias.
  vttest::TISPFStats st;
  st.Version = 1;
  st.Mod = 0;
  st.ModSecond = 17;
  st.CreatedYear = st.ModYear = 2021;
  st.CreatedDay = st.ModDay = 68;
  st.ModHour = 0;
  st.ModMinute = 11;
  st.Lines = st.InitLines = 83;
  st.ModLines = 0;
  st.UserId = "HERC01";
  EXPECT_EQ(vttest::MakeDirEntry("JES2HIST", 0x0002, 0x07, false, st.Encode()),
            Hex("D1C5E2F2C8C9E2E3" "0002070F" "010000170121068F0121068F0011005300530000"
                "C8C5D9C3F0F140404040"));

  vttest::TLoadModuleAttrs a;
  a.TTRT = 0x000409;
  a.ATR1 = 0x02;
  a.ATR2 = 0xE2;
  a.Stor = 0x000BF0;
  a.FTBL = 0x0BF0;
  a.FTB1 = 0x98;
  a.FTB3 = 0x01;
  a.Extra = Hex("00CB4950060100");
  EXPECT_EQ(vttest::MakeDirEntry("CBTUPD", 0x0004, 0x04, false, a.Encode(false), 1),
            Hex("C3C2E3E4D7C44040" "0004042E" "000409000000000002E2000BF00BF000000098000100"
                "CB4950060100"));

  vttest::TLoadModuleAttrs al;
  al.TTRT = 0x000401;
  al.ATR1 = 0x02;
  al.ATR2 = 0xE2;
  al.Stor = 0x002100;
  al.FTBL = 0x2100;
  al.FTB1 = 0x98;
  al.FTB3 = 0x01;
  al.MainName = "PDSLOAD";
  al.Extra = Hex("CB4930930100");
  EXPECT_EQ(vttest::MakeDirEntry("PDSLOADW", 0x0003, 0x17, true, al.Encode(true), 1),
            Hex("D7C4E2D3D6C1C4E6" "000317B3" "000401000000000002E20021002100000000980001"
                "000000D7C4E2D3D6C1C440CB4930930100"));
}

TEST(XmitWriterUserData, ExtendedISPFStatsAndScatterAttributes) {
  vttest::TISPFStats st;
  st.Extended = true;
  st.Lines = 70000;
  st.InitLines = 65535;
  st.ModLines = 12;
  const Bytes e = st.Encode();
  ASSERT_EQ(e.size(), 40u);
  EXPECT_EQ(e[2] & 0x20, 0x20);
  EXPECT_EQ(Get(e, 14, 2), 0xFFFFu);
  EXPECT_EQ(Get(e, 16, 2), 0xFFFFu);
  EXPECT_EQ(Get(e, 18, 2), 12u);
  EXPECT_EQ(Get(e, 28, 4), 70000u);
  EXPECT_EQ(Get(e, 32, 4), 65535u);
  EXPECT_EQ(Get(e, 36, 4), 12u);
  EXPECT_EQ(vttest::MakeDirEntry("BIG", 1, 2, false, e)[11], 20);

  vttest::TLoadModuleAttrs a;
  a.ATR1 = 0x06;
  a.Scatter = Hex("0102030405060708");
  const Bytes s = a.Encode(false);
  ASSERT_EQ(s.size(), 30u);  // 21 + 8, padded to a halfword
  EXPECT_EQ(Bytes(s.begin() + 21, s.begin() + 29), Hex("0102030405060708"));
  a.MainName = "MAIN";
  a.EPM = 0x000123;
  const Bytes sa = a.Encode(true);
  ASSERT_EQ(sa.size(), 40u);  // 21 + 8 + 3 + 8
  EXPECT_EQ(Bytes(sa.begin() + 29, sa.end()), Hex("000123D4C1C9D540404040"));
}

// ---- directory blocks ------------------------------------------------------------------------

TEST(XmitWriterDirectory, PacksEntriesIntoBlocks) {
  struct TCase {
    size_t entries, userBytes;
    std::vector<uint16_t> used;  // per block
  };
  const TCase cases[] = {
      {0, 0, {14}},                // the end entry alone
      {5, 30, {2 + 5 * 42 + 12}},  // fits with the end entry
      {6, 30, {254, 14}},          // 254 used: the end entry needs a new block
      {7, 0, {2 + 7 * 12 + 12}},
      {21, 0, {254, 2 + 12}},      // 21 x 12 = 252
      {4, 62, {2 + 3 * 74, 2 + 74 + 12}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.entries) + " entries");
    std::vector<Bytes> entries;
    std::vector<std::string> names;
    for (size_t i = 0; i < c.entries; ++i) {
      names.push_back("MEM" + std::to_string(100 + i));
      entries.push_back(vttest::MakeDirEntry(names.back(), 0, 1, false, Bytes(c.userBytes, 0x11)));
    }
    const std::vector<Bytes> blocks = vttest::MakeDirectoryBlocks(entries, names);
    ASSERT_EQ(blocks.size(), c.used.size());
    size_t seen = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
      const Bytes& blk = blocks[b];
      ASSERT_EQ(blk.size(), 276u);
      EXPECT_EQ(Bytes(blk.begin(), blk.begin() + 12), Hex("000000000000000000080100"));
      EXPECT_EQ(Get(blk, 20, 2), c.used[b]);
      const bool last = b + 1 == blocks.size();
      size_t p = 22;
      while (blk[p] != 0xFF && p - 20 < c.used[b]) {
        p += 12 + 2 * (blk[p + 11] & 0x1F);
        ++seen;
      }
      const Bytes key(blk.begin() + 12, blk.begin() + 20);
      if (last) {
        EXPECT_EQ(key, Bytes(8, 0xFF));
        EXPECT_EQ(Bytes(blk.begin() + p, blk.begin() + p + 12), Hex("FFFFFFFFFFFFFFFF00000000"));
      } else {
        EXPECT_EQ(key, vttest::EbcdicPadded(names[seen - 1], 8)) << "key is the block's last name";
      }
    }
    EXPECT_EQ(seen, c.entries);
  }
}

// ---- track capacity --------------------------------------------------------------------------

TEST(XmitWriterLayout, TrackCapacityFollows3390) {
  // Known 3390 blocking: the largest blocks that fit 1, 2, 3, 4, 6 and 10 to a track.
  struct TCase {
    unsigned dl, perTrack;
  };
  const TCase cases[] = {{56664, 1}, {27998, 2}, {18452, 3}, {13682, 4}, {8906, 6}, {5064, 10}};
  const unsigned cells = vttest::TDeviceGeometry::D3390().TrackCells;
  for (const TCase& c : cases) {
    EXPECT_LE(c.perTrack * vttest::TrackCells3390(0, c.dl), cells) << c.dl;
    EXPECT_GT(c.perTrack * vttest::TrackCells3390(0, c.dl + 1), cells) << c.dl + 1;
  }
}

// ---- whole PDS unloads -----------------------------------------------------------------------

struct TPDSCase {
  const char* name;
  uint16_t recfm;
  uint32_t lrecl, blksize;
  bool pdse;
  size_t maxSeg, blocksPerRecord;
  bool twoExtents;
  size_t members, linesPerMember;
};

// A data set with members of growing size (member 0 empty) and an alias of member 1.
vttest::TPDSDataSet MakeDataSet(const TPDSCase& c) {
  vttest::TPDSDataSet ds;
  ds.DSName = "TEST.UNLOAD.LIB";
  ds.RECFM = c.recfm;
  ds.LRECL = c.lrecl;
  ds.BLKSIZE = c.blksize;
  ds.PDSE = c.pdse;
  if (c.pdse) ds.Device = vttest::TDeviceGeometry::PDSEDevice();
  ds.BlocksPerRecord = c.blocksPerRecord;
  if (c.twoExtents) ds.Extents = {{10, 0, 10, 3}, {20, 5, 21, 4}};
  const bool fixed = (c.recfm & 0xC000) == 0x8000;
  const bool load = (c.recfm & 0xC000) == 0xC000;
  for (size_t m = 0; m < c.members; ++m) {
    vttest::TPDSMember mem;
    // Data order differs from name order, so the directory must sort.
    mem.Name = std::string(1, static_cast<char>('Z' - m)) + "MEM" + std::to_string(m);
    std::vector<Bytes> recs;
    for (size_t l = 0; l < m * c.linesPerMember; ++l) {
      std::string line = mem.Name + " LINE " + std::to_string(l);
      if ((c.recfm & 0xC000) == 0x4000) line.resize(1 + (l * 37) % 200, 'x');
      recs.push_back(fixed ? vttest::EbcdicPadded(line, c.lrecl) : vttest::Ebcdic(line));
    }
    if (load) {
      Bytes all;
      for (const Bytes& r : recs) vttest::Append(all, r);
      mem.Blocks = vttest::BlockUndefined(all, c.blksize);
      mem.Load = vttest::TLoadModuleAttrs();
      mem.Load->Stor = static_cast<uint32_t>(all.size());
    } else {
      mem.Blocks = fixed ? vttest::BlockFixed(recs, c.lrecl, c.blksize)
                                      : vttest::BlockVariable(recs, c.blksize);
      vttest::TISPFStats st;
      st.Lines = st.InitLines = static_cast<uint32_t>(recs.size());
      mem.ISPF = st;
    }
    ds.Members.push_back(std::move(mem));
  }
  if (c.members > 1) ds.Aliases.push_back({"ALIAS1", ds.Members[1].Name, {}, {}, {}});
  return ds;
}

void PrintTo(const TPDSCase& c, std::ostream* os) { *os << c.name; }

class XmitWriterPDS : public ::testing::TestWithParam<TPDSCase> {};

TEST_P(XmitWriterPDS, DirectoryAndDataAgree) {
  const TPDSCase& c = GetParam();
  const vttest::TPDSDataSet ds = MakeDataSet(c);
  vttest::TXmitOptions opt;
  opt.MaxSegment = c.maxSeg;
  vttest::TPDSLayout layout;
  const Bytes file = vttest::TXmitBuilder(opt).PDS(ds, &layout);

  size_t end = 0;
  const std::vector<TRec> recs = ParseRecords(file, &end);
  EXPECT_EQ(file.size() % 80, 0u);
  EXPECT_TRUE(std::all_of(file.begin() + end, file.end(), [](uint8_t b) { return b == 0x40; }));
  for (const TRec& r : recs)
    for (const TSeg& s : r.Segs) EXPECT_LE(s.Len, c.maxSeg);

  // Control records: INMR01, INMR02 (IEBCOPY), INMR02 (INMCOPY), INMR03, data, INMR06.
  ASSERT_GE(recs.size(), 7u);
  const char* const names[] = {"INMR01", "INMR02", "INMR02", "INMR03"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(recs[i].Control);
    EXPECT_EQ(recs[i].Name(), names[i]);
  }
  for (size_t i = 4; i + 1 < recs.size(); ++i) EXPECT_FALSE(recs[i].Control) << "record " << i;
  EXPECT_EQ(Units(recs[0]).at(vttest::key::INMNUMF), std::vector<Bytes>{Hex("01")});
  const auto ieb = Units(recs[1]);
  EXPECT_EQ(ieb.at(vttest::key::INMUTILN)[0], vttest::Ebcdic("IEBCOPY"));
  EXPECT_EQ(Get(ieb.at(vttest::key::INMDSORG)[0], 0, 2), 0x0200u);
  EXPECT_EQ(Get(ieb.at(vttest::key::INMRECFM)[0], 0, 2), c.recfm);
  EXPECT_EQ(Get(ieb.at(vttest::key::INMLRECL)[0], 0, 4), c.lrecl);
  EXPECT_EQ(Get(ieb.at(vttest::key::INMDIR)[0], 0, 3), layout.DirBlocksAllocated);
  EXPECT_EQ(ieb.at(vttest::key::INMDSNAM),
            (std::vector<Bytes>{vttest::Ebcdic("TEST"), vttest::Ebcdic("UNLOAD"), vttest::Ebcdic("LIB")}));
  const auto copy = Units(recs[2]);
  EXPECT_EQ(copy.at(vttest::key::INMUTILN)[0], vttest::Ebcdic("INMCOPY"));
  EXPECT_EQ(Get(copy.at(vttest::key::INMDSORG)[0], 0, 2), 0x4000u);

  EXPECT_EQ(recs[4].Offset, layout.COPYR1Offset);
  const TUnload u = ParseUnload(recs, 4);
  EXPECT_EQ(u.PDSE, c.pdse);
  EXPECT_EQ(u.TrksPerCyl, ds.Device.TracksPerCyl);
  EXPECT_TRUE(u.LastKeyFF);
  ASSERT_EQ(u.Extents.size(), layout.Extents.size());
  EXPECT_EQ(u.UsedCounts.size(), layout.DirBlocksWritten);

  // The directory: every member and alias once, in EBCDIC name order.
  ASSERT_EQ(u.Entries.size(), ds.Members.size() + ds.Aliases.size());
  for (size_t i = 1; i < u.Entries.size(); ++i) EXPECT_LT(u.Entries[i - 1].Name, u.Entries[i].Name);
  std::map<Bytes, const TEntry*> byName;
  for (const TEntry& e : u.Entries) byName[e.Name] = &e;

  // Every member: its entry's TT/R is where its data starts, reached through the extents,
  // and the blocks read back are the blocks given.
  ASSERT_EQ(layout.Members.size(), ds.Members.size());
  std::map<long, unsigned> trackCells;  // cells of the member blocks on each relative track
  std::map<uint64_t, size_t> recordAt;
  for (size_t i = 0; i < recs.size(); ++i) recordAt[recs[i].Offset] = i;
  for (size_t m = 0; m < ds.Members.size(); ++m) {
    const vttest::TPDSMember& mem = ds.Members[m];
    const vttest::TMemberLayout& ml = layout.Members[m];
    SCOPED_TRACE(mem.Name);
    const TEntry* e = byName.at(vttest::EbcdicPadded(mem.Name, 8));
    EXPECT_EQ(e->C & 0x80, 0);
    EXPECT_EQ(e->TT, ml.TT);
    EXPECT_EQ(e->R, ml.R);
    if (mem.ISPF) {
      EXPECT_EQ(e->UserData, mem.ISPF->Encode());
    }
    if (mem.Load) {
      EXPECT_EQ(e->UserData.size(), 22u);
    }

    ASSERT_EQ(recordAt.count(ml.Offset), 1u);
    const size_t ri = recordAt.at(ml.Offset);
    EXPECT_EQ(ml.RecordNumber, ri + 1);
    EXPECT_GE(ri, u.FirstMemberRecord);
    const Bytes& first = recs[ri].Data;
    EXPECT_EQ(RelTrack(u, Get(first, 4, 2), Get(first, 6, 2)), e->TT);
    EXPECT_EQ(first.at(8), e->R);
    EXPECT_EQ(first.at(0), 0);

    size_t nrec = 0;
    TBlock endBlock{};
    std::vector<TBlock> blocks = MemberBlocks(recs, ri, &nrec, &endBlock);
    for (const TBlock& b : blocks)
      trackCells[RelTrack(u, b.Cyl, b.Trk)] += vttest::TrackCells3390(0, static_cast<unsigned>(b.Data.size()));
    trackCells[RelTrack(u, endBlock.Cyl, endBlock.Trk)] += vttest::TrackCells3390(0, 0);
    EXPECT_EQ(nrec, ml.DataRecords);
    ASSERT_EQ(blocks.size(), mem.Blocks.size());
    uint64_t size = 0;
    long prevTrack = -1;
    unsigned prevR = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
      EXPECT_EQ(blocks[b].Data, mem.Blocks[b]);
      size += blocks[b].Data.size();
      // Addresses ascend: next record on the track, or record 1 of a later track.
      const long t = RelTrack(u, blocks[b].Cyl, blocks[b].Trk);
      ASSERT_GE(t, 0);
      if (t == prevTrack) {
        EXPECT_EQ(blocks[b].R, prevR + 1);
      } else {
        EXPECT_GT(t, prevTrack);
      }
      prevTrack = t;
      prevR = blocks[b].R;
    }
    EXPECT_EQ(size, ml.Size);
    if (c.blocksPerRecord) {
      EXPECT_GE(nrec * c.blocksPerRecord, blocks.size());
    }
  }
  for (const auto& tc : trackCells) {
    EXPECT_GE(tc.first, 0);
    EXPECT_LE(tc.second, ds.Device.TrackCells) << "track " << tc.first << " overfull";
  }
  for (const vttest::TPDSAlias& al : ds.Aliases) {
    const TEntry* a = byName.at(vttest::EbcdicPadded(al.Name, 8));
    const TEntry* m = byName.at(vttest::EbcdicPadded(al.Main, 8));
    EXPECT_EQ(a->C & 0x80, 0x80);
    EXPECT_EQ(a->TT, m->TT);
    EXPECT_EQ(a->R, m->R);
    if ((c.recfm & 0xC000) == 0xC000) {  // a load-module alias names its main member
      ASSERT_EQ(a->UserData.size(), 32u);
      EXPECT_EQ(Bytes(a->UserData.begin() + 24, a->UserData.end()), vttest::EbcdicPadded(al.Main, 8));
    }
  }
}

const TPDSCase kPDSCases[] = {
    {"FB80", 0x9000, 80, 27920, false, 255, 0, false, 6, 300},
    {"FB80SmallSegmentsOneBlockPerRecord", 0x9000, 80, 800, false, 17, 1, false, 5, 40},
    {"FB80TwoExtents", 0x9000, 80, 27920, false, 255, 2, true, 9, 150},
    {"FBA133", 0x9400, 133, 27930, false, 255, 3, false, 4, 50},
    {"VB255", 0x5000, 255, 27998, false, 255, 0, false, 5, 200},
    {"VB255SmallBlocks", 0x5000, 255, 1000, false, 40, 4, true, 5, 60},
    {"LoadModules", 0xC000, 0, 6144, false, 255, 0, false, 4, 500},
    {"PDSE", 0x9000, 80, 32720, true, 255, 0, false, 4, 100},
    {"ManyMembers", 0x9000, 80, 3120, false, 255, 0, false, 26, 3},
};

INSTANTIATE_TEST_SUITE_P(Cases, XmitWriterPDS, ::testing::ValuesIn(kPDSCases),
                         [](const ::testing::TestParamInfo<TPDSCase>& i) { return i.param.name; });

TEST(XmitWriterPDSLimits, MembersThatDoNotFitTheExtentsAreRefused) {
  vttest::TPDSDataSet ds;
  ds.Extents = {{5, 0, 5, 0}};  // one track
  vttest::TPDSMember m;
  m.Name = "BIG";
  m.Blocks.assign(10, Bytes(27920, 0x40));
  ds.Members.push_back(m);
  EXPECT_THROW(vttest::TXmitBuilder().PDS(ds), std::runtime_error);
}

// ---- sequential and message transmissions --------------------------------------------------

TEST(XmitWriterSequential, OneDataRecordPerRecordGiven) {
  vttest::TSeqDataSet ds;
  ds.DSName = "A.B.C";
  for (int i = 0; i < 300; ++i) ds.Records.push_back(vttest::EbcdicPadded("LINE " + std::to_string(i), 80));
  ds.Records.push_back({});  // an empty record
  vttest::TXmitOptions opt;
  opt.Filler = 0x00;
  const Bytes file = vttest::TXmitBuilder(opt).Sequential(ds);
  size_t end = 0;
  const std::vector<TRec> recs = ParseRecords(file, &end);
  ASSERT_EQ(recs.size(), 3 + ds.Records.size() + 1);
  EXPECT_EQ(recs[1].Name(), "INMR02");
  const auto u2 = Units(recs[1]);
  EXPECT_EQ(u2.at(vttest::key::INMUTILN)[0], vttest::Ebcdic("INMCOPY"));
  EXPECT_EQ(u2.at(vttest::key::INMDSNAM),
            (std::vector<Bytes>{vttest::Ebcdic("A"), vttest::Ebcdic("B"), vttest::Ebcdic("C")}));
  EXPECT_EQ(recs[2].Name(), "INMR03");
  for (size_t i = 0; i < ds.Records.size(); ++i) {
    EXPECT_FALSE(recs[3 + i].Control);
    EXPECT_EQ(recs[3 + i].Data, ds.Records[i]);
  }
  EXPECT_EQ(recs.back().Name(), "INMR06");
  EXPECT_EQ(file.size() % 80, 0u);
  EXPECT_TRUE(std::all_of(file.begin() + end, file.end(), [](uint8_t b) { return b == 0; }));
}

TEST(XmitWriterMessage, MessageComesFirstThenTheDataSet) {
  const TPDSCase c = {"Msg", 0x9000, 80, 27920, false, 255, 0, false, 3, 10};
  const std::vector<std::string> msg = {"HELLO", "", "SECOND LINE"};
  vttest::TPDSLayout layout;
  const Bytes file = vttest::TXmitBuilder().MessageAndPDS(msg, MakeDataSet(c), &layout);
  const std::vector<TRec> recs = ParseRecords(file);

  // INMR01, INMR02 x3, INMR03, message lines, INMR03, unload records, INMR06.
  const char* const head[] = {"INMR01", "INMR02", "INMR02", "INMR02", "INMR03"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(recs.at(i).Name(), head[i]);
  EXPECT_EQ(Units(recs[0]).at(vttest::key::INMNUMF)[0], Hex("02"));
  const uint32_t fileNo[] = {1, 2, 2};
  const char* const util[] = {"INMCOPY", "IEBCOPY", "INMCOPY"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Get(recs[1 + i].Data, 6, 4), fileNo[i]);
    EXPECT_EQ(Units(recs[1 + i]).at(vttest::key::INMUTILN)[0], vttest::Ebcdic(util[i]));
  }
  const auto m = Units(recs[1]);
  EXPECT_EQ(m.count(vttest::key::INMTERM), 1u);
  EXPECT_EQ(m.count(vttest::key::INMDSNAM), 0u);
  for (size_t i = 0; i < msg.size(); ++i) {
    EXPECT_FALSE(recs[5 + i].Control);
    EXPECT_EQ(recs[5 + i].Data, vttest::EbcdicPadded(msg[i], 80));
  }
  EXPECT_EQ(recs[5 + msg.size()].Name(), "INMR03");
  EXPECT_EQ(recs[6 + msg.size()].Offset, layout.COPYR1Offset);
  const TUnload u = ParseUnload(recs, 6 + msg.size());
  EXPECT_EQ(u.Entries.size(), 3u + 1u);
  EXPECT_EQ(recs.back().Name(), "INMR06");
}

}  // namespace
