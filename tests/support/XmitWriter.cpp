// XMIT writer for tests, samples and benchmark data; see XmitWriter.h for the layouts.
#include "XmitWriter.h"

#include <algorithm>
#include <stdexcept>

namespace vttest {

namespace {

// Code page 037 for ASCII 0x20..0x7E.
const uint8_t kEbcdic037[95] = {
    0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F,
    0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xBA, 0xE0, 0xBB, 0xB0, 0x6D,
    0x79, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xC0, 0x4F, 0xD0, 0xA1,
};

unsigned CeilDiv(unsigned a, unsigned b) { return (a + b - 1) / b; }

// The directory name of an entry: blank-padded EBCDIC, or all 0xFF for a name starting 0xFF.
Bytes DirName(const std::string& name) {
  if (!name.empty() && static_cast<unsigned char>(name[0]) == 0xFF) return Bytes(8, 0xFF);
  return EbcdicPadded(name, 8);
}

// Places blocks on tracks in order: a block goes on the current track while its cells fit,
// and record numbers restart at 1 on every track.
class TTrackLayout {
public:
  explicit TTrackLayout(unsigned cells) : FCells(cells) {}
  void Place(unsigned kl, unsigned dl, uint32_t& relTrack, uint8_t& r) {
    unsigned c = TrackCells3390(kl, dl);
    if (FLastR > 0 && (FUsed + c > FCells || FLastR == 255)) {
      ++FTrack;
      FUsed = 0;
      FLastR = 0;
    }
    FUsed += c;
    ++FLastR;
    relTrack = FTrack;
    r = static_cast<uint8_t>(FLastR);
  }
  uint32_t TracksUsed() const { return FLastR ? FTrack + 1 : FTrack; }

private:
  unsigned FCells;
  unsigned FUsed = 0;
  uint32_t FTrack = 0;
  unsigned FLastR = 0;
};

// Relative track -> absolute cylinder and track through the extents, in order.
struct TExtentMap {
  struct TSpan {
    uint32_t S, Count, RelStart;
  };
  std::vector<TSpan> Spans;
  uint32_t Tpc;

  TExtentMap(const std::vector<TExtent>& ex, uint32_t tpc) : Tpc(tpc ? tpc : 1) {
    uint32_t rel = 0;
    for (const TExtent& e : ex) {
      uint32_t s = e.StartCyl * Tpc + e.StartTrk;
      uint32_t en = e.EndCyl * Tpc + e.EndTrk;
      if (en < s) continue;
      Spans.push_back({s, en - s + 1, rel});
      rel += en - s + 1;
    }
  }
  void ToAbs(uint32_t relTrack, uint16_t& cyl, uint16_t& trk) const {
    for (const TSpan& sp : Spans) {
      if (relTrack >= sp.RelStart && relTrack < sp.RelStart + sp.Count) {
        uint32_t abs = sp.S + (relTrack - sp.RelStart);
        cyl = static_cast<uint16_t>(abs / Tpc);
        trk = static_cast<uint16_t>(abs % Tpc);
        return;
      }
    }
    throw std::runtime_error("XMIT writer: the members do not fit in the extents given");
  }
};

uint64_t MemberDataSize(const TPDSMember& m) {
  uint64_t n = 0;
  for (const Bytes& b : m.Blocks) n += b.size();
  return n;
}

uint32_t DataSetSize(const TPDSDataSet& ds) {
  uint64_t n = 0;
  for (const TPDSMember& m : ds.Members) n += MemberDataSize(m);
  return static_cast<uint32_t>(std::min<uint64_t>(n, 0xFFFFFFFFu));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Encoding helpers

uint8_t ToEbcdic(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u < 0x20 || u > 0x7E) return 0x6F;
  return kEbcdic037[u - 0x20];
}

Bytes Ebcdic(const std::string& s) {
  Bytes out;
  out.reserve(s.size());
  for (char c : s) out.push_back(ToEbcdic(c));
  return out;
}

Bytes EbcdicPadded(const std::string& s, size_t width, uint8_t pad) {
  Bytes out(width, pad);
  for (size_t i = 0; i < width && i < s.size(); ++i) out[i] = ToEbcdic(s[i]);
  return out;
}

void PutBE(Bytes& out, uint64_t v, unsigned width) {
  for (unsigned i = width; i > 0; --i) {
    unsigned shift = 8 * (i - 1);
    out.push_back(shift < 64 ? static_cast<uint8_t>(v >> shift) : 0);
  }
}

Bytes BE(uint64_t v, unsigned width) {
  Bytes out;
  PutBE(out, v, width);
  return out;
}

void Append(Bytes& out, const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }

uint32_t PackedDate(unsigned year, unsigned dayOfYear) {
  unsigned c = year >= 2000 ? 1 : 0;
  unsigned yy = year % 100;
  unsigned ddd = dayOfYear % 1000;
  return (c << 24) | ((yy / 10) << 20) | ((yy % 10) << 16) | ((ddd / 100) << 12) |
         (((ddd / 10) % 10) << 8) | ((ddd % 10) << 4) | 0xF;
}

uint8_t PackedByte(unsigned v) {
  v %= 100;
  return static_cast<uint8_t>(((v / 10) << 4) | (v % 10));
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot create " + path);
  size_t n = data.empty() ? 0 : std::fwrite(data.data(), 1, data.size(), f);
  bool ok = n == data.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) throw std::runtime_error("cannot write " + path);
}

// ---------------------------------------------------------------------------------------------
// Segment layer

TSegmentWriter::TSegmentWriter(size_t maxSegment) {
  if (maxSegment < 3 || maxSegment > 255)
    throw std::invalid_argument("segment length must be 3..255");
  FMaxData = maxSegment - 2;
}

void TSegmentWriter::SetSink(std::FILE* f, size_t flushAt) {
  FSink = f;
  FFlushAt = flushAt;
}

uint64_t TSegmentWriter::AddRecord(const uint8_t* data, size_t n, bool control) {
  uint64_t pos = Position();
  const uint8_t ctl = control ? 0x20 : 0x00;
  size_t off = 0;
  bool first = true;
  do {
    size_t take = std::min(FMaxData, n - off);
    uint8_t flags = ctl;
    if (first) flags |= 0x80;
    if (off + take == n) flags |= 0x40;
    FOut.push_back(static_cast<uint8_t>(take + 2));
    FOut.push_back(flags);
    FOut.insert(FOut.end(), data + off, data + off + take);
    off += take;
    first = false;
  } while (off < n);
  ++FRecords;
  MaybeFlush();
  return pos;
}

void TSegmentWriter::AddRaw(const uint8_t* data, size_t n) {
  FOut.insert(FOut.end(), data, data + n);
  MaybeFlush();
}

void TSegmentWriter::Pad(size_t multiple, uint8_t filler) {
  if (multiple < 2) return;
  size_t rem = static_cast<size_t>(Position() % multiple);
  if (rem) FOut.insert(FOut.end(), multiple - rem, filler);
}

void TSegmentWriter::MaybeFlush() {
  if (FSink && FOut.size() >= FFlushAt) Flush();
}

void TSegmentWriter::Flush() {
  if (!FSink || FOut.empty()) return;
  if (std::fwrite(FOut.data(), 1, FOut.size(), FSink) != FOut.size())
    throw std::runtime_error("XMIT writer: write to the output file failed");
  FFlushed += FOut.size();
  FOut.clear();
}

Bytes TSegmentWriter::Take() {
  Bytes out;
  out.swap(FOut);
  FFlushed += out.size();
  return out;
}

// ---------------------------------------------------------------------------------------------
// Text units and control records

TTextUnit TTextUnit::Text(uint16_t key, const std::string& s) { return {key, {Ebcdic(s)}}; }

TTextUnit TTextUnit::Texts(uint16_t key, const std::vector<std::string>& items) {
  TTextUnit tu{key, {}};
  for (const std::string& s : items) tu.Items.push_back(Ebcdic(s));
  return tu;
}

TTextUnit TTextUnit::DSName(const std::string& dsn) {
  TTextUnit tu{key::INMDSNAM, {}};
  size_t start = 0;
  while (true) {
    size_t dot = dsn.find('.', start);
    tu.Items.push_back(Ebcdic(dsn.substr(start, dot == std::string::npos ? dot : dot - start)));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return tu;
}

TTextUnit TTextUnit::Number(uint16_t key, uint64_t v, unsigned width) {
  return {key, {BE(v, width)}};
}

TTextUnit TTextUnit::MinNumber(uint16_t key, uint32_t v) {
  unsigned w = v > 0xFFFFFF ? 4 : v > 0xFFFF ? 3 : v > 0xFF ? 2 : 1;
  return Number(key, v, w);
}

TTextUnit TTextUnit::NoItems(uint16_t key) { return {key, {}}; }

TTextUnit TTextUnit::Raw(uint16_t key, std::vector<Bytes> items) {
  return {key, std::move(items)};
}

void TTextUnit::AppendTo(Bytes& out) const {
  PutBE(out, Key, 2);
  PutBE(out, Items.size(), 2);
  for (const Bytes& it : Items) {
    PutBE(out, it.size(), 2);
    Append(out, it);
  }
}

Bytes TTextUnit::Encode() const {
  Bytes out;
  AppendTo(out);
  return out;
}

Bytes MakeControlRecord(const std::string& name, const Bytes& prefix,
                        const std::vector<TTextUnit>& units) {
  Bytes out = EbcdicPadded(name, 6);
  Append(out, prefix);
  for (const TTextUnit& tu : units) tu.AppendTo(out);
  return out;
}

Bytes TINMR01::Encode() const {
  std::vector<TTextUnit> u;
  u.push_back(TTextUnit::MinNumber(key::INMLRECL, LRECL));
  u.push_back(TTextUnit::Text(key::INMFNODE, FromNode));
  u.push_back(TTextUnit::Text(key::INMFUID, FromUser));
  u.push_back(TTextUnit::Text(key::INMTNODE, ToNode));
  u.push_back(TTextUnit::Text(key::INMTUID, ToUser));
  u.push_back(TTextUnit::Text(key::INMFTIME, Time));
  u.push_back(TTextUnit::MinNumber(key::INMNUMF, NumFiles));
  if (Ack) u.push_back(TTextUnit::NoItems(key::INMFACK));
  u.insert(u.end(), Extra.begin(), Extra.end());
  return MakeControlRecord("INMR01", {}, u);
}

Bytes TINMR02::Encode() const {
  std::vector<TTextUnit> u;
  u.push_back(TTextUnit::Text(key::INMUTILN, Utility));
  if (Term) u.push_back(TTextUnit::NoItems(key::INMTERM));
  u.push_back(TTextUnit::Number(key::INMSIZE, Size, 4));
  u.push_back(TTextUnit::Number(key::INMDSORG, DSORG, 2));
  if (Type) u.push_back(TTextUnit::Number(key::INMTYPE, *Type, 1));
  u.push_back(TTextUnit::Number(key::INMLRECL, LRECL, 4));
  u.push_back(TTextUnit::Number(key::INMBLKSZ, BLKSIZE, 4));
  u.push_back(TTextUnit::Number(key::INMRECFM, RECFM, 2));
  if (Dir) u.push_back(TTextUnit::Number(key::INMDIR, *Dir, 3));
  if (!DSName.empty()) u.push_back(TTextUnit::DSName(DSName));
  u.insert(u.end(), Extra.begin(), Extra.end());
  return MakeControlRecord("INMR02", BE(FileNumber, 4), u);
}

Bytes TINMR03::Encode() const {
  std::vector<TTextUnit> u;
  u.push_back(TTextUnit::Number(key::INMSIZE, Size, 4));
  u.push_back(TTextUnit::Number(key::INMDSORG, DSORG, 2));
  u.push_back(TTextUnit::Number(key::INMLRECL, LRECL, 2));
  u.push_back(TTextUnit::Number(key::INMRECFM, RECFM, 2));
  u.insert(u.end(), Extra.begin(), Extra.end());
  return MakeControlRecord("INMR03", {}, u);
}

Bytes MakeINMR06() { return MakeControlRecord("INMR06", {}, {}); }

// ---------------------------------------------------------------------------------------------
// Records and blocks

std::vector<Bytes> FixedRecords(const std::vector<std::string>& lines, size_t lrecl) {
  std::vector<Bytes> out;
  out.reserve(lines.size());
  for (const std::string& l : lines) out.push_back(EbcdicPadded(l, lrecl));
  return out;
}

std::vector<Bytes> BlockFixed(const std::vector<Bytes>& records, size_t lrecl, size_t blksize) {
  size_t per = lrecl ? std::max<size_t>(1, blksize / lrecl) : 1;
  std::vector<Bytes> blocks;
  for (size_t i = 0; i < records.size(); i += per) {
    Bytes b;
    for (size_t j = i; j < records.size() && j < i + per; ++j) Append(b, records[j]);
    blocks.push_back(std::move(b));
  }
  return blocks;
}

std::vector<Bytes> BlockVariable(const std::vector<Bytes>& records, size_t blksize) {
  std::vector<Bytes> blocks;
  Bytes cur;
  auto close = [&]() {
    if (cur.empty()) return;
    size_t len = cur.size() + 4;
    Bytes b = BE(len, 2);
    b.push_back(0);
    b.push_back(0);
    Append(b, cur);
    blocks.push_back(std::move(b));
    cur.clear();
  };
  for (const Bytes& r : records) {
    size_t rl = r.size() + 4;
    if (!cur.empty() && cur.size() + rl + 4 > blksize) close();
    PutBE(cur, rl, 2);
    cur.push_back(0);
    cur.push_back(0);
    Append(cur, r);
  }
  close();
  return blocks;
}

std::vector<Bytes> BlockUndefined(const Bytes& data, size_t maxBlock) {
  std::vector<Bytes> blocks;
  if (maxBlock == 0) maxBlock = 1;
  for (size_t i = 0; i < data.size(); i += maxBlock)
    blocks.emplace_back(data.begin() + i, data.begin() + std::min(data.size(), i + maxBlock));
  return blocks;
}

// ---------------------------------------------------------------------------------------------
// Directory user data

Bytes TISPFStats::Encode() const {
  Bytes out;
  out.push_back(Version);
  out.push_back(Mod);
  out.push_back(static_cast<uint8_t>(Extended ? (Flags | 0x20) : Flags));
  out.push_back(PackedByte(ModSecond));
  PutBE(out, PackedDate(CreatedYear, CreatedDay), 4);
  PutBE(out, PackedDate(ModYear, ModDay), 4);
  out.push_back(PackedByte(ModHour));
  out.push_back(PackedByte(ModMinute));
  auto cap = [](uint32_t v) { return std::min<uint32_t>(v, 0xFFFF); };
  PutBE(out, cap(Lines), 2);
  PutBE(out, cap(InitLines), 2);
  PutBE(out, cap(ModLines), 2);
  Append(out, EbcdicPadded(UserId, 8));
  if (Extended) {
    PutBE(out, Lines, 4);
    PutBE(out, InitLines, 4);
    PutBE(out, ModLines, 4);
  } else {
    out.push_back(0x40);
    out.push_back(0x40);
  }
  return out;
}

Bytes TLoadModuleAttrs::Encode(bool alias) const {
  Bytes out;
  PutBE(out, TTRT, 3);
  out.push_back(Zero);
  PutBE(out, TTRN, 3);
  out.push_back(NL);
  out.push_back(ATR1);
  out.push_back(ATR2);
  PutBE(out, Stor, 3);
  PutBE(out, FTBL, 2);
  PutBE(out, EPA, 3);
  out.push_back(FTB1);
  out.push_back(FTB2);
  out.push_back(FTB3);
  if (ATR1 & 0x04) {
    Bytes sc = Scatter;
    sc.resize(8, 0);
    Append(out, sc);
  }
  if (alias) {
    PutBE(out, EPM, 3);
    Append(out, EbcdicPadded(MainName, 8));
  }
  Append(out, Extra);
  if (out.size() % 2) out.push_back(0);
  return out;
}

Bytes MakeDirEntry(const std::string& name, uint16_t tt, uint8_t r, bool alias,
                   const Bytes& userData, uint8_t ttrCount) {
  Bytes ud(userData.begin(), userData.begin() + std::min<size_t>(userData.size(), 62));
  if (ud.size() % 2) ud.push_back(0);
  Bytes out = DirName(name);
  PutBE(out, tt, 2);
  out.push_back(r);
  out.push_back(static_cast<uint8_t>((alias ? 0x80 : 0) | ((ttrCount & 3) << 5) | (ud.size() / 2)));
  Append(out, ud);
  return out;
}

std::vector<Bytes> MakeDirectoryBlocks(const std::vector<Bytes>& entries,
                                       const std::vector<std::string>& names) {
  std::vector<Bytes> blocks;
  Bytes area;  // the entries of the block being filled
  std::string lastName;
  auto close = [&](bool last) {
    Bytes b = {0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x01, 0x00};  // count field: KL 8, DL 256
    Append(b, last ? Bytes(8, 0xFF) : DirName(lastName));
    PutBE(b, area.size() + 2, 2);
    Append(b, area);
    b.resize(276, 0);
    blocks.push_back(std::move(b));
    area.clear();
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    if (area.size() + 2 + entries[i].size() > 256) close(false);
    Append(area, entries[i]);
    lastName = i < names.size() ? names[i] : std::string();
  }
  if (area.size() + 2 + 12 > 256) close(false);
  Append(area, Bytes(8, 0xFF));
  Append(area, Bytes(4, 0));
  close(true);
  return blocks;
}

// ---------------------------------------------------------------------------------------------
// IEBCOPY unload

TDeviceGeometry TDeviceGeometry::D3390() { return TDeviceGeometry(); }

TDeviceGeometry TDeviceGeometry::PDSEDevice() {
  TDeviceGeometry d;
  d.DevType = 0x00082000;
  d.Cylinders = 256;
  d.TracksPerCyl = 256;
  d.TrackLength = 0xFFFF;
  d.DevTail = 0;
  return d;
}

unsigned TrackCells3390(unsigned kl, unsigned dl) {
  auto area = [](unsigned n) { return n ? 9 + CeilDiv(n + 6 * CeilDiv(n + 6, 232) + 6, 34) : 0; };
  return 10 + area(kl) + area(dl);
}

Bytes MakeCOPYR1(bool pdse, uint16_t recfm, uint16_t lrecl, uint16_t blksize,
                 const TDeviceGeometry& dev) {
  Bytes r;
  r.push_back(pdse ? 0x01 : 0x00);
  r.push_back(0xCA);
  r.push_back(0x6D);
  r.push_back(0x0F);
  PutBE(r, 0x0200, 2);
  PutBE(r, blksize, 2);
  PutBE(r, lrecl, 2);
  r.push_back(static_cast<uint8_t>(recfm >> 8));
  r.push_back(0);          // key length
  r.push_back(0);          // OPTCD
  r.push_back(0);          // SMS flags
  PutBE(r, 3120, 2);       // block size of the unload data set
  PutBE(r, dev.DevType, 4);
  PutBE(r, 0, 2);
  PutBE(r, dev.MaxBlkSize, 2);
  PutBE(r, dev.Cylinders, 2);
  PutBE(r, dev.TracksPerCyl, 2);
  PutBE(r, dev.TrackLength, 2);
  PutBE(r, 0, 2);
  PutBE(r, dev.DevTail, 4);
  PutBE(r, pdse ? 0 : 2, 2);  // header records that follow
  r.resize(56, 0);
  return r;
}

Bytes MakeCOPYR2(const std::vector<TExtent>& extents, const TDeviceGeometry& dev,
                 std::optional<uint8_t> countOverride) {
  Bytes r(276, 0);
  r[0] = countOverride ? *countOverride : static_cast<uint8_t>(extents.size());
  r[4] = 0xFF;
  r[8] = 0x8F;
  r[12] = 0x04;
  for (size_t k = 0; k < extents.size() && k < 16; ++k) {
    const TExtent& e = extents[k];
    size_t o = 16 + 16 * k;
    uint32_t s = e.StartCyl * dev.TracksPerCyl + e.StartTrk;
    uint32_t en = e.EndCyl * dev.TracksPerCyl + e.EndTrk;
    uint32_t count = en >= s ? en - s + 1 : 0;
    const uint16_t v[5] = {e.StartCyl, e.StartTrk, e.EndCyl, e.EndTrk,
                           static_cast<uint16_t>(std::min<uint32_t>(count, 0xFFFF))};
    for (int i = 0; i < 5; ++i) {
      r[o + 6 + 2 * i] = static_cast<uint8_t>(v[i] >> 8);
      r[o + 7 + 2 * i] = static_cast<uint8_t>(v[i]);
    }
  }
  return r;
}

Bytes MakeBlockHeader(uint8_t flag, uint16_t cyl, uint16_t trk, uint8_t rec, uint16_t dl) {
  Bytes h = {flag, 0, 0, 0};
  PutBE(h, cyl, 2);
  PutBE(h, trk, 2);
  h.push_back(rec);
  h.push_back(0);
  PutBE(h, dl, 2);
  return h;
}

namespace {
uint32_t DirBlocksAllocated(const TPDSDataSet& ds);
}

const TMemberLayout* TPDSLayout::Find(const std::string& name) const {
  for (const TMemberLayout& m : Members)
    if (m.Name == name) return &m;
  return nullptr;
}

std::vector<TINMR02> UnloadINMR02(const TPDSDataSet& ds, uint32_t fileNumber) {
  const uint32_t size = DataSetSize(ds);
  TINMR02 ieb;
  ieb.FileNumber = fileNumber;
  ieb.Utility = "IEBCOPY";
  ieb.Size = size;
  ieb.DSORG = 0x0200;
  ieb.Type = 0;
  ieb.LRECL = ds.LRECL;
  ieb.BLKSIZE = ds.BLKSIZE;
  ieb.RECFM = ds.RECFM;
  ieb.DSName = ds.DSName;
  ieb.Extra = ds.ExtraINMR02Units;
  ieb.Dir = DirBlocksAllocated(ds);
  TINMR02 copy;
  copy.FileNumber = fileNumber;
  copy.Utility = "INMCOPY";
  copy.Size = size;
  copy.DSORG = 0x4000;
  copy.LRECL = 32756;
  copy.BLKSIZE = 3120;
  copy.RECFM = 0x4802;
  return {ieb, copy};
}

namespace {

// The directory of a data set: entries in directory order, with their names.
struct TDirPlan {
  struct TItem {
    std::string Name;
    bool Alias = false;
    int Member = -1;   // index into Members (for an alias: its main member, -1 if none)
    int AliasIx = -1;  // index into Aliases
  };
  std::vector<TItem> Items;
};

TDirPlan PlanDirectory(const TPDSDataSet& ds) {
  TDirPlan p;
  for (size_t i = 0; i < ds.Members.size(); ++i)
    p.Items.push_back({ds.Members[i].Name, false, static_cast<int>(i), -1});
  for (size_t i = 0; i < ds.Aliases.size(); ++i) {
    int main = -1;
    for (size_t j = 0; j < ds.Members.size(); ++j)
      if (ds.Members[j].Name == ds.Aliases[i].Main) {
        main = static_cast<int>(j);
        break;
      }
    p.Items.push_back({ds.Aliases[i].Name, true, main, static_cast<int>(i)});
  }
  if (ds.SortDirectory)
    std::stable_sort(p.Items.begin(), p.Items.end(),
                     [](const TDirPlan::TItem& a, const TDirPlan::TItem& b) {
                       return DirName(a.Name) < DirName(b.Name);
                     });
  return p;
}

// Directory entries given each member's first-block TT/R (tt/r indexed like ds.Members).
std::vector<Bytes> DirEntries(const TPDSDataSet& ds, const TDirPlan& plan,
                              const std::vector<uint16_t>& tt, const std::vector<uint8_t>& r,
                              const std::vector<uint32_t>& ttrt) {
  std::vector<Bytes> out;
  out.reserve(plan.Items.size());
  for (const TDirPlan::TItem& it : plan.Items) {
    uint16_t t = it.Member >= 0 ? tt[it.Member] : 0;
    uint8_t rr = it.Member >= 0 ? r[it.Member] : 0;
    const TPDSMember* main = it.Member >= 0 ? &ds.Members[it.Member] : nullptr;
    Bytes ud;
    uint8_t ttrCount = 0;
    if (!it.Alias) {
      const TPDSMember& m = *main;
      if (m.UserData) {
        ud = *m.UserData;
      } else if (m.ISPF) {
        ud = m.ISPF->Encode();
      } else if (m.Load) {
        TLoadModuleAttrs a = *m.Load;
        if (m.AutoTTRT) a.TTRT = ttrt[it.Member];
        ud = a.Encode(false);
        ttrCount = 1;
      }
    } else {
      const TPDSAlias& al = ds.Aliases[it.AliasIx];
      if (al.UserData) {
        ud = *al.UserData;
      } else if (al.ISPF) {
        ud = al.ISPF->Encode();
      } else if (al.Load || (main && main->Load)) {
        TLoadModuleAttrs a = al.Load ? *al.Load : *main->Load;
        if (!al.Load && main->AutoTTRT) a.TTRT = ttrt[it.Member];
        if (a.MainName.empty()) a.MainName = al.Main;
        ud = a.Encode(true);
        ttrCount = 1;
      }
    }
    out.push_back(MakeDirEntry(it.Name, t, rr, it.Alias, ud, ttrCount));
  }
  return out;
}

std::vector<std::string> DirNames(const TDirPlan& plan) {
  std::vector<std::string> names;
  names.reserve(plan.Items.size());
  for (const TDirPlan::TItem& it : plan.Items) names.push_back(it.Name);
  return names;
}

// Directory blocks written; their size does not depend on the addresses in the entries.
uint32_t DirBlocksWritten(const TPDSDataSet& ds, const TDirPlan& plan) {
  const size_t nm = ds.Members.size();
  std::vector<uint16_t> tt(nm, 0);
  std::vector<uint8_t> rr(nm, 0);
  std::vector<uint32_t> ttrt(nm, 0);
  return static_cast<uint32_t>(
      MakeDirectoryBlocks(DirEntries(ds, plan, tt, rr, ttrt), DirNames(plan)).size());
}

uint32_t DirBlocksAllocated(const TPDSDataSet& ds, uint32_t written) {
  return std::max(written, ds.DirBlocks ? ds.DirBlocks : written + 4);
}

uint32_t DirBlocksAllocated(const TPDSDataSet& ds) {
  return DirBlocksAllocated(ds, DirBlocksWritten(ds, PlanDirectory(ds)));
}

}  // namespace

void WriteUnloadRecords(TSegmentWriter& out, const TPDSDataSet& ds, TPDSLayout* layoutOut) {
  TPDSLayout layout;
  const TDirPlan plan = PlanDirectory(ds);
  const size_t nm = ds.Members.size();
  const std::vector<std::string> names = DirNames(plan);
  std::vector<uint16_t> tt(nm, 0);
  std::vector<uint8_t> rr(nm, 0);
  std::vector<uint32_t> ttrt(nm, 0);
  layout.DirBlocksWritten = DirBlocksWritten(ds, plan);
  layout.DirBlocksAllocated = DirBlocksAllocated(ds, layout.DirBlocksWritten);

  // Track layout: the allocated directory blocks first, then every member's blocks and its
  // end block, in data order.
  TTrackLayout tl(ds.Device.TrackCells);
  uint32_t rel;
  uint8_t rec;
  for (uint32_t i = 0; i < layout.DirBlocksAllocated; ++i) tl.Place(8, 256, rel, rec);
  struct TAddr {
    uint32_t Rel;
    uint8_t R;
  };
  std::vector<std::vector<TAddr>> addr(nm);
  for (size_t m = 0; m < nm; ++m) {
    const TPDSMember& mem = ds.Members[m];
    addr[m].reserve(mem.Blocks.size() + 1);
    for (const Bytes& b : mem.Blocks) {
      tl.Place(0, static_cast<unsigned>(b.size()), rel, rec);
      addr[m].push_back({rel, rec});
    }
    tl.Place(0, 0, rel, rec);
    addr[m].push_back({rel, rec});
    if (addr[m][0].Rel > 0xFFFF)
      throw std::runtime_error("XMIT writer: data set too large for 16-bit relative tracks");
    tt[m] = static_cast<uint16_t>(addr[m][0].Rel);
    rr[m] = addr[m][0].R;
    const TAddr& t = addr[m][mem.Blocks.size() > 1 ? 1 : 0];
    ttrt[m] = (t.Rel << 8) | t.R;
  }
  layout.TracksUsed = tl.TracksUsed();

  const uint32_t tpc = ds.Device.TracksPerCyl ? ds.Device.TracksPerCyl : 1;
  layout.Extents = ds.Extents;
  if (layout.Extents.empty()) {
    uint32_t cyls = std::max<uint32_t>(1, static_cast<uint32_t>((layout.TracksUsed + tpc - 1) / tpc));
    layout.Extents.push_back({ds.AutoStartCyl, 0,
                              static_cast<uint16_t>(ds.AutoStartCyl + cyls - 1),
                              static_cast<uint16_t>(tpc - 1)});
  }
  const TExtentMap map(layout.Extents, tpc);

  // COPYR1, COPYR2.
  layout.COPYR1Offset = out.AddRecord(
      MakeCOPYR1(ds.PDSE, ds.RECFM, static_cast<uint16_t>(ds.LRECL),
                 static_cast<uint16_t>(ds.BLKSIZE), ds.Device),
      false);
  out.AddRecord(MakeCOPYR2(layout.Extents, ds.Device), false);

  // Directory records.
  std::vector<Bytes> dir = MakeDirectoryBlocks(DirEntries(ds, plan, tt, rr, ttrt), names);
  const size_t per = std::max<size_t>(1, ds.DirBlocksPerRecord);
  for (size_t i = 0; i < dir.size(); i += per) {
    Bytes r;
    for (size_t j = i; j < dir.size() && j < i + per; ++j) Append(r, dir[j]);
    if (i + per >= dir.size() && ds.DirTrailer) r.insert(r.end(), 12, 0);
    out.AddRecord(r, false);
  }

  // Member data.
  auto inject = [&](size_t at) {
    for (const auto& ir : ds.InjectRecords)
      if (ir.first == at) out.AddRecord(ir.second, false);
  };
  layout.Members.reserve(nm);
  Bytes cur;
  for (size_t m = 0; m < nm; ++m) {
    inject(m);
    const TPDSMember& mem = ds.Members[m];
    TMemberLayout ml;
    ml.Name = mem.Name;
    ml.TT = tt[m];
    ml.R = rr[m];
    map.ToAbs(addr[m][0].Rel, ml.Cyl, ml.Trk);
    ml.Blocks = mem.Blocks.size();
    size_t inRec = 0;
    auto flush = [&]() {
      uint64_t off = out.AddRecord(cur, false);
      if (ml.DataRecords == 0) {
        ml.Offset = off;
        ml.RecordNumber = out.RecordCount();
      }
      ++ml.DataRecords;
      cur.clear();
      inRec = 0;
    };
    for (size_t b = 0; b <= mem.Blocks.size(); ++b) {
      const bool end = b == mem.Blocks.size();
      const size_t dl = end ? 0 : mem.Blocks[b].size();
      if (!end && inRec > 0 &&
          ((ds.BlocksPerRecord && inRec >= ds.BlocksPerRecord) ||
           cur.size() + 12 + dl > ds.MaxRecordBytes))
        flush();
      uint16_t cyl, trk;
      map.ToAbs(addr[m][b].Rel, cyl, trk);
      Append(cur, MakeBlockHeader(mem.BlockFlag, cyl, trk, addr[m][b].R, static_cast<uint16_t>(dl)));
      if (!end) {
        Append(cur, mem.Blocks[b]);
        ml.Size += dl;
      }
      ++inRec;
    }
    flush();
    layout.Members.push_back(std::move(ml));
  }
  inject(nm);
  if (layoutOut) *layoutOut = std::move(layout);
}

// ---------------------------------------------------------------------------------------------
// Whole transmissions

TSequentialWriter::TSequentialWriter(TSegmentWriter& out, const TXmitOptions& opt,
                                     const TSeqDataSet& ds, uint32_t recordCountHint)
    : FOut(out), FOpt(opt) {
  TINMR01 h = opt.Header;
  h.NumFiles = 1;
  out.AddRecord(h.Encode(), true);
  TINMR02 r2;
  r2.Utility = "INMCOPY";
  r2.Size = ds.Size ? ds.Size : static_cast<uint32_t>(std::min<uint64_t>(
                                    uint64_t(ds.LRECL) * recordCountHint, 0xFFFFFFFFu));
  r2.DSORG = 0x4000;
  r2.LRECL = ds.LRECL;
  r2.BLKSIZE = ds.BLKSIZE;
  r2.RECFM = ds.RECFM;
  r2.DSName = ds.DSName;
  r2.Extra = ds.ExtraINMR02Units;
  out.AddRecord(r2.Encode(), true);
  TINMR03 r3;
  r3.Size = r2.Size;
  out.AddRecord(r3.Encode(), true);
}

void TSequentialWriter::Finish() {
  FOut.AddRecord(MakeINMR06(), true);
  FOut.Pad(FOpt.PadMultiple, FOpt.Filler);
  FOut.Flush();
}

void TXmitBuilder::WriteSequential(TSegmentWriter& out, const TSeqDataSet& ds) const {
  TSequentialWriter w(out, Options, ds, static_cast<uint32_t>(ds.Records.size()));
  for (const Bytes& r : ds.Records) w.AddRecord(r);
  out.AddRecord(MakeINMR06(), true);
}

void TXmitBuilder::WritePDS(TSegmentWriter& out, const TPDSDataSet& ds,
                            TPDSLayout* layout) const {
  TINMR01 h = Options.Header;
  h.NumFiles = 1;
  out.AddRecord(h.Encode(), true);
  const std::vector<TINMR02> r2 = UnloadINMR02(ds, 1);
  for (const TINMR02& r : r2) out.AddRecord(r.Encode(), true);
  TINMR03 r3;
  r3.Size = r2[0].Size;
  out.AddRecord(r3.Encode(), true);
  WriteUnloadRecords(out, ds, layout);
  out.AddRecord(MakeINMR06(), true);
}

void TXmitBuilder::WriteMessageAndPDS(TSegmentWriter& out,
                                      const std::vector<std::string>& message,
                                      const TPDSDataSet& ds, TPDSLayout* layout) const {
  TINMR01 h = Options.Header;
  h.NumFiles = 2;
  out.AddRecord(h.Encode(), true);
  TINMR02 msg;
  msg.FileNumber = 1;
  msg.Utility = "INMCOPY";
  msg.Term = true;
  msg.Size = static_cast<uint32_t>(message.size() * 80);
  msg.DSORG = 0x4000;
  msg.LRECL = 251;
  msg.BLKSIZE = 3120;
  msg.RECFM = 0x5002;
  out.AddRecord(msg.Encode(), true);
  const std::vector<TINMR02> r2 = UnloadINMR02(ds, 2);
  for (const TINMR02& r : r2) out.AddRecord(r.Encode(), true);
  TINMR03 r3;
  r3.Size = r2[0].Size;
  out.AddRecord(r3.Encode(), true);
  for (const Bytes& line : FixedRecords(message, 80)) out.AddRecord(line, false);
  out.AddRecord(r3.Encode(), true);
  WriteUnloadRecords(out, ds, layout);
  out.AddRecord(MakeINMR06(), true);
}

Bytes TXmitBuilder::Sequential(const TSeqDataSet& ds) const {
  TSegmentWriter out(Options.MaxSegment);
  WriteSequential(out, ds);
  out.Pad(Options.PadMultiple, Options.Filler);
  return out.Take();
}

Bytes TXmitBuilder::PDS(const TPDSDataSet& ds, TPDSLayout* layout) const {
  TSegmentWriter out(Options.MaxSegment);
  WritePDS(out, ds, layout);
  out.Pad(Options.PadMultiple, Options.Filler);
  return out.Take();
}

Bytes TXmitBuilder::MessageAndPDS(const std::vector<std::string>& message, const TPDSDataSet& ds,
                                  TPDSLayout* layout) const {
  TSegmentWriter out(Options.MaxSegment);
  WriteMessageAndPDS(out, message, ds, layout);
  out.Pad(Options.PadMultiple, Options.Filler);
  return out.Take();
}

}  // namespace vttest
