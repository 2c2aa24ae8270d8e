// A small writer of XMIT (TSO/E TRANSMIT) files for tests, samples and benchmarks.
//
// It only produces bytes; it knows nothing of the reader. Layers, from the bottom:
//   - EBCDIC (code page 037) encoding of printable ASCII and big-endian integers;
//   - TSegmentWriter: logical records -> segments (length byte, flag byte, data);
//   - TTextUnit and the control records INMR01, INMR02, INMR03, INMR06;
//   - the IEBCOPY unload pieces (COPYR1, COPYR2, directory blocks, member blocks);
//   - TXmitBuilder: whole transmissions (sequential data set, PDS unload, message + PDS).
//
// All multi-byte numbers are written big-endian. Nothing here validates what a caller asks
// for beyond what is needed to produce well-formed bytes, so tests can build odd files too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vttest {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------------------------
// Encoding helpers

// EBCDIC (code page 037) of one ASCII character; characters outside 0x20-0x7E give 0x6F ('?').
uint8_t ToEbcdic(char c);
// EBCDIC of a whole string, one byte per character.
Bytes Ebcdic(const std::string& s);
// EBCDIC of s, cut or padded with `pad` to exactly `width` bytes.
Bytes EbcdicPadded(const std::string& s, size_t width, uint8_t pad = 0x40);
// Appends v as `width` big-endian bytes (width 1..8; higher bytes of v beyond width are dropped).
void PutBE(Bytes& out, uint64_t v, unsigned width);
// v as `width` big-endian bytes.
Bytes BE(uint64_t v, unsigned width);
// Appends b to out.
void Append(Bytes& out, const Bytes& b);
// Packed decimal 0CYYDDDF of a date given as year (1900-2099) and day of the year (1-366):
// C is 0 for 19xx and 1 for 20xx, F the sign nibble. 2021 day 68 gives 0x0121068F.
uint32_t PackedDate(unsigned year, unsigned dayOfYear);
// Packed decimal of a two-digit value 0-99 (23 gives 0x23).
uint8_t PackedByte(unsigned v);

// Writes bytes to a file (binary); throws std::runtime_error when it cannot.
void WriteFile(const std::string& path, const Bytes& data);

// ---------------------------------------------------------------------------------------------
// Segment layer

// Splits logical records into segments: byte 0 the segment length L (data + 2), byte 1 the flags
// (0x80 first segment, 0x40 last segment, 0x20 on every segment of a control record), then
// L - 2 data bytes. Every segment but the last of a record is as long as the maximum allows;
// a record of 0 bytes becomes one segment of length 2.
// Output collects in memory; with a sink set it is written to that file whenever the buffer
// passes the flush threshold, and by Flush().
class TSegmentWriter {
public:
  // maxSegment: the largest L written, 3..255 (253 data bytes at most per segment).
  explicit TSegmentWriter(size_t maxSegment = 255);
  TSegmentWriter(const TSegmentWriter&) = delete;
  TSegmentWriter& operator=(const TSegmentWriter&) = delete;

  // Streams the output to f (not owned) instead of keeping it all in memory.
  void SetSink(std::FILE* f, size_t flushAt = size_t(4) << 20);

  // Writes one logical record; returns the file offset of its first segment descriptor.
  uint64_t AddRecord(const uint8_t* data, size_t n, bool control);
  uint64_t AddRecord(const Bytes& data, bool control) {
    return AddRecord(data.data(), data.size(), control);
  }
  // Writes bytes as they are (hand-made segments, filler); they do not count as a record.
  void AddRaw(const uint8_t* data, size_t n);
  void AddRaw(const Bytes& data) { AddRaw(data.data(), data.size()); }
  // Appends `filler` until the total size is a multiple of `multiple` (nothing when 0 or 1).
  void Pad(size_t multiple = 80, uint8_t filler = 0x40);

  uint64_t Position() const { return FFlushed + FOut.size(); }
  // Logical records written so far (control and data).
  uint64_t RecordCount() const { return FRecords; }
  // Writes the buffer to the sink, if there is one.
  void Flush();
  // The bytes written (the whole file when no sink is set); Take() hands them over.
  const Bytes& Buffer() const { return FOut; }
  Bytes Take();

private:
  void MaybeFlush();
  size_t FMaxData;
  Bytes FOut;
  std::FILE* FSink = nullptr;
  size_t FFlushAt = 0;
  uint64_t FFlushed = 0;
  uint64_t FRecords = 0;
};

// ---------------------------------------------------------------------------------------------
// Text units and control records

// Text unit keys used here (TSO/E names).
namespace key {
constexpr uint16_t INMDSNAM = 0x0002, INMDIR = 0x000C, INMEXPDT = 0x0022, INMTERM = 0x0028,
                   INMBLKSZ = 0x0030, INMDSORG = 0x003C, INMLRECL = 0x0042, INMRECFM = 0x0049,
                   INMTNODE = 0x1001, INMTUID = 0x1002, INMFNODE = 0x1011, INMFUID = 0x1012,
                   INMLREF = 0x1020, INMLCHG = 0x1021, INMCREAT = 0x1022, INMFVERS = 0x1023,
                   INMFTIME = 0x1024, INMFACK = 0x1026, INMUTILN = 0x1028, INMUSERP = 0x1029,
                   INMSIZE = 0x102C, INMFFM = 0x102D, INMNUMF = 0x102F, INMTYPE = 0x8012;
}

// One text unit: key (2 bytes), number of items (2 bytes), each item as length (2) + data.
struct TTextUnit {
  uint16_t Key = 0;
  std::vector<Bytes> Items;

  // One EBCDIC text item.
  static TTextUnit Text(uint16_t key, const std::string& s);
  // One EBCDIC text item per string.
  static TTextUnit Texts(uint16_t key, const std::vector<std::string>& items);
  // A data set name: one EBCDIC item per qualifier ("A.B.C" gives items A, B, C).
  static TTextUnit DSName(const std::string& dsn);
  // One integer item of `width` bytes, big-endian.
  static TTextUnit Number(uint16_t key, uint64_t v, unsigned width);
  // One integer item of the fewest bytes (1..4) that hold v.
  static TTextUnit MinNumber(uint16_t key, uint32_t v);
  // A unit with no items (4 bytes).
  static TTextUnit NoItems(uint16_t key);
  // One raw item per element.
  static TTextUnit Raw(uint16_t key, std::vector<Bytes> items);

  void AppendTo(Bytes& out) const;
  Bytes Encode() const;
};

// A control record: the 6-character name in EBCDIC, `prefix` (INMR02's file number), the units.
Bytes MakeControlRecord(const std::string& name, const Bytes& prefix,
                        const std::vector<TTextUnit>& units);

// INMR01, the header. Units in the order real transmissions use: INMLRECL (fewest bytes),
// INMFNODE, INMFUID, INMTNODE, INMTUID, INMFTIME, INMNUMF (fewest bytes), INMFACK without
// items when Ack, then Extra.
struct TINMR01 {
  uint32_t LRECL = 80;
  std::string FromNode = "NODE1", FromUser = "USER1";
  std::string ToNode = "NODE2", ToUser = "USER2";
  std::string Time = "20240115103000";  // yyyymmddhhmmss
  uint32_t NumFiles = 1;
  bool Ack = false;
  std::vector<TTextUnit> Extra;
  Bytes Encode() const;
};

// INMR02, the file utility record: "INMR02", file number (4 bytes), then the units in the order
// real transmissions use: INMUTILN, INMTERM (no items) when Term, INMSIZE (4), INMDSORG (2),
// INMTYPE (1) when set, INMLRECL (4), INMBLKSZ (4), INMRECFM (2), INMDIR (3) when set,
// INMDSNAM (one item per qualifier) when DSName is not empty, then Extra.
struct TINMR02 {
  uint32_t FileNumber = 1;
  std::string Utility = "INMCOPY";
  bool Term = false;
  uint32_t Size = 0;
  uint16_t DSORG = 0x4000;
  std::optional<uint8_t> Type;
  uint32_t LRECL = 80;
  uint32_t BLKSIZE = 3120;
  uint16_t RECFM = 0x9000;
  std::optional<uint32_t> Dir;
  std::string DSName;
  std::vector<TTextUnit> Extra;
  Bytes Encode() const;
};

// INMR03, the data control record: INMSIZE (4), INMDSORG (2), INMLRECL (2), INMRECFM (2),
// then Extra. Real transmissions give LRECL 80 and RECFM 0x0001 here whatever the data set.
struct TINMR03 {
  uint32_t Size = 0;
  uint16_t DSORG = 0x4000;
  uint16_t LRECL = 80;
  uint16_t RECFM = 0x0001;
  std::vector<TTextUnit> Extra;
  Bytes Encode() const;
};

// INMR06, the trailer: the name alone.
Bytes MakeINMR06();

// ---------------------------------------------------------------------------------------------
// Records and blocks of data

// Fixed records: each line in EBCDIC, cut or blank-padded to lrecl.
std::vector<Bytes> FixedRecords(const std::vector<std::string>& lines, size_t lrecl);
// FB blocks: records (each already lrecl bytes) grouped blksize / lrecl to a block.
std::vector<Bytes> BlockFixed(const std::vector<Bytes>& records, size_t lrecl, size_t blksize);
// VB blocks: each record gets a 4-byte descriptor (length + 4, 0, 0); records are packed
// while the block (with its own 4-byte descriptor) stays within blksize.
std::vector<Bytes> BlockVariable(const std::vector<Bytes>& records, size_t blksize);
// Undefined-format blocks: data cut into blocks of at most maxBlock bytes.
std::vector<Bytes> BlockUndefined(const Bytes& data, size_t maxBlock);

// ---------------------------------------------------------------------------------------------
// Directory user data

// ISPF statistics. Standard form: 15 halfwords (30 bytes): VV, MM, flags, seconds (packed),
// created 0CYYDDDF, modified 0CYYDDDF, time HHMM (packed), lines, initial lines, modified
// lines (2 bytes each), user id (8, blank-padded), 2 blank bytes. Extended form (Extended):
// 20 halfwords, flag bit 0x20 set, the 2-byte counts capped at 65535 and the full counts as
// 4 bytes each at offsets 28, 32, 36.
struct TISPFStats {
  uint8_t Version = 1, Mod = 0, Flags = 0;
  unsigned CreatedYear = 2024, CreatedDay = 15;
  unsigned ModYear = 2024, ModDay = 15;
  unsigned ModHour = 10, ModMinute = 30, ModSecond = 0;
  uint32_t Lines = 0, InitLines = 0, ModLines = 0;
  std::string UserId = "USER1";
  bool Extended = false;
  Bytes Encode() const;
};

// Load-module attributes (the directory user data of a load library). Written in order:
// TTRT (3), ZERO (1), TTRN (3), NL (1), ATR1, ATR2, STOR (3), FTBL (2), EPA (3), FTB1, FTB2,
// FTB3; then the 8 Scatter bytes when ATR1 has 0x04; then for an alias EPM (3) and MainName
// (8, EBCDIC, blank-padded); then Extra; a zero byte is added if needed to end on a halfword.
struct TLoadModuleAttrs {
  uint32_t TTRT = 0;
  uint8_t Zero = 0;
  uint32_t TTRN = 0;
  uint8_t NL = 0;
  uint8_t ATR1 = 0x02, ATR2 = 0x00;
  uint32_t Stor = 0;
  uint16_t FTBL = 0;
  uint32_t EPA = 0;
  uint8_t FTB1 = 0, FTB2 = 0, FTB3 = 0;
  Bytes Scatter = Bytes(8, 0);
  uint32_t EPM = 0;
  std::string MainName;  // used for aliases only
  Bytes Extra;
  Bytes Encode(bool alias) const;
};

// One directory entry: name (8, EBCDIC, blank-padded; a name starting with '\xFF' is written
// as 8 bytes 0xFF), TT (2), R (1), C = alias 0x80 | TTRCount << 5 | halfwords, user data.
// The user data is padded with a zero byte to a whole halfword; at most 62 bytes are kept.
Bytes MakeDirEntry(const std::string& name, uint16_t tt, uint8_t r, bool alias,
                   const Bytes& userData, uint8_t ttrCount = 0);

// Packs entries (each from MakeDirEntry) into 276-byte directory blocks: count field of 12
// bytes (zero address, key length 8, data length 256), key (the last name in the block, or all
// 0xFF in the last block), 2-byte used count including itself, entries, zero fill. Entries go
// in the order given; the 12-byte end entry (8 x 0xFF, 4 zero bytes) follows the last one, in
// a new block if it does not fit. `names` gives each entry's name for the block keys.
std::vector<Bytes> MakeDirectoryBlocks(const std::vector<Bytes>& entries,
                                       const std::vector<std::string>& names);

// ---------------------------------------------------------------------------------------------
// IEBCOPY unload

// The device the unloaded data set lived on, as COPYR1 describes it, and the track capacity
// the builder packs blocks into (3390 rule: 1729 cells of 34 bytes per track).
struct TDeviceGeometry {
  uint32_t DevType = 0x3030200F;    // COPYR1 bytes 16-19
  uint16_t MaxBlkSize = 0x7FF8;     // COPYR1 bytes 22-23
  uint16_t Cylinders = 3339;        // COPYR1 bytes 24-25
  uint16_t TracksPerCyl = 15;       // COPYR1 bytes 26-27
  uint16_t TrackLength = 0xE5A2;    // COPYR1 bytes 28-29
  uint32_t DevTail = 0x22500000;    // COPYR1 bytes 32-35
  unsigned TrackCells = 1729;       // capacity used by the block layout
  static TDeviceGeometry D3390();
  // What PDSE unloads report: 256 cylinders of 256 tracks, track length 0xFFFF.
  static TDeviceGeometry PDSEDevice();
};

// 3390 cells taken on a track by a record with key length kl and data length dl.
unsigned TrackCells3390(unsigned kl, unsigned dl);

// An extent as COPYR2 stores it.
struct TExtent {
  uint16_t StartCyl = 0, StartTrk = 0, EndCyl = 0, EndTrk = 0;
};

// COPYR1, 56 bytes: byte 0 0x01 for a PDSE else 0x00; CA 6D 0F; DSORG 0x0200 (4-5);
// BLKSIZE (6-7); LRECL (8-9); RECFM high byte (10); key length 0 (11); unload block size 3120
// (14-15); device type (16-19); max block size (22); cylinders (24); tracks per cylinder (26);
// track length (28); DevTail (32-35); 0x0002 (36-37); zeros elsewhere.
Bytes MakeCOPYR1(bool pdse, uint16_t recfm, uint16_t lrecl, uint16_t blksize,
                 const TDeviceGeometry& dev);
// COPYR2, 276 bytes: extent count (0), FF at 4, 8F at 8, 04 at 12; extent k at 16 + 16k with
// start cylinder/track at 6/8, end cylinder/track at 10/12 and its track count at 14.
// At most 16 extents are stored; a larger count is still written at byte 0.
Bytes MakeCOPYR2(const std::vector<TExtent>& extents, const TDeviceGeometry& dev,
                 std::optional<uint8_t> countOverride = std::nullopt);
// 12-byte count field of a member block: flag (0), 0 (1-3), cylinder (4), track (6),
// record (8), key length 0 (9), DL (10).
Bytes MakeBlockHeader(uint8_t flag, uint16_t cyl, uint16_t trk, uint8_t rec, uint16_t dl);

// A member of a PDS. Blocks are the member's blocks as they were on disk (see Block*).
// User data: UserData when set, else ISPF, else Load, else none.
struct TPDSMember {
  std::string Name;
  std::vector<Bytes> Blocks;
  std::optional<TISPFStats> ISPF;
  std::optional<TLoadModuleAttrs> Load;
  std::optional<Bytes> UserData;
  bool AutoTTRT = true;   // Load.TTRT := TTR of the member's second block (first if only one)
  uint8_t BlockFlag = 0;  // flag byte of this member's count fields
};

// An alias: its entry carries the main member's TT/R and the alias bit. For a load module
// alias (Load set, or the main member has Load and the alias none), the attributes carry
// MainName = Main; without Load attributes of its own it copies the main member's.
struct TPDSAlias {
  std::string Name, Main;
  std::optional<TISPFStats> ISPF;
  std::optional<TLoadModuleAttrs> Load;
  std::optional<Bytes> UserData;
};

struct TPDSDataSet {
  std::string DSName = "VANTREL.SAMPLE.PDS";
  uint16_t RECFM = 0x9000;  // INMRECFM: 0x9000 FB, 0x9400 FBA, 0x5000 VB, 0xC000 U
  uint32_t LRECL = 80;
  uint32_t BLKSIZE = 27920;
  bool PDSE = false;
  TDeviceGeometry Device;
  // Where the data set lives; empty: one extent from cylinder AutoStartCyl, track 0, of as
  // many whole cylinders as the data needs. Relative tracks run through the extents in order.
  std::vector<TExtent> Extents;
  uint16_t AutoStartCyl = 100;
  uint32_t DirBlocks = 0;          // allocated directory blocks (INMDIR); 0: written + 4
  size_t DirBlocksPerRecord = 11;  // directory blocks per data record
  bool DirTrailer = true;          // 12 zero bytes after the last directory block
  bool SortDirectory = true;       // directory in EBCDIC name order, else in given order
  size_t BlocksPerRecord = 0;      // member blocks per data record at most (0: no limit)
  size_t MaxRecordBytes = 32772;   // a record takes no further block beyond this size
  std::vector<TPDSMember> Members; // data is written in this order
  std::vector<TPDSAlias> Aliases;
  std::vector<TTextUnit> ExtraINMR02Units;  // appended to the IEBCOPY INMR02
  // Raw data records written before member i's data (i == Members.size(): after all data).
  std::vector<std::pair<size_t, Bytes>> InjectRecords;
};

// Where the builder put each member, for tests to compare a reader against.
struct TMemberLayout {
  std::string Name;
  uint16_t TT = 0;             // relative track of the first block
  uint8_t R = 0;               // its record number on the track
  uint16_t Cyl = 0, Trk = 0;   // its absolute address
  uint64_t RecordNumber = 0;   // 1-based number, among all logical records, of its first record
  uint64_t Offset = 0;         // file offset of that record
  uint64_t DataRecords = 0;    // data records holding its blocks (the end block included)
  uint64_t Size = 0;           // sum of its blocks' DL
  size_t Blocks = 0;           // blocks, the end block not counted
};

struct TPDSLayout {
  std::vector<TMemberLayout> Members;  // in data order
  std::vector<TExtent> Extents;
  uint32_t DirBlocksWritten = 0, DirBlocksAllocated = 0;
  uint64_t COPYR1Offset = 0;           // file offset of the COPYR1 record
  uint64_t TracksUsed = 0;
  const TMemberLayout* Find(const std::string& name) const;
};

// ---------------------------------------------------------------------------------------------
// Whole transmissions

struct TSeqDataSet {
  std::string DSName = "VANTREL.SAMPLE.DATA";
  uint16_t RECFM = 0x9000;
  uint32_t LRECL = 80;
  uint32_t BLKSIZE = 3120;
  uint32_t Size = 0;             // INMSIZE; 0: LRECL x number of records
  std::vector<Bytes> Records;    // one data record each
  std::vector<TTextUnit> ExtraINMR02Units;
};

struct TXmitOptions {
  TINMR01 Header;
  size_t MaxSegment = 255;  // largest segment length L
  size_t PadMultiple = 80;  // file padded after INMR06 to a multiple of this (0: none)
  uint8_t Filler = 0x40;
};

// Sequential transmission written record by record (for large files):
// INMR01, INMR02 (INMCOPY, file 1, DSORG 0x4000), INMR03, then AddRecord once per data
// record, Finish() writes INMR06 and the padding.
class TSequentialWriter {
public:
  TSequentialWriter(TSegmentWriter& out, const TXmitOptions& opt, const TSeqDataSet& ds,
                    uint32_t recordCountHint = 0);
  uint64_t AddRecord(const uint8_t* data, size_t n) { return FOut.AddRecord(data, n, false); }
  uint64_t AddRecord(const Bytes& b) { return FOut.AddRecord(b, false); }
  void Finish();

private:
  TSegmentWriter& FOut;
  TXmitOptions FOpt;
};

class TXmitBuilder {
public:
  TXmitOptions Options;

  TXmitBuilder() = default;
  explicit TXmitBuilder(TXmitOptions o) : Options(std::move(o)) {}

  // Sequential data set: INMR01 (NumFiles 1), INMR02 (INMCOPY), INMR03, one data record per
  // element of ds.Records, INMR06, padding.
  Bytes Sequential(const TSeqDataSet& ds) const;

  // PDS unload: INMR01 (NumFiles 1), INMR02 (file 1, IEBCOPY, DSORG 0x0200, the data set's
  // LRECL, BLKSIZE, RECFM, INMDIR, INMTYPE 0, INMDSNAM), INMR02 (file 1, INMCOPY, DSORG 0x4000,
  // LRECL 32756, BLKSIZE 3120, RECFM 0x4802), INMR03, COPYR1, COPYR2, directory records,
  // member data records, INMR06, padding. Member data: each member's first block starts a new
  // record; its blocks follow (new records per BlocksPerRecord / MaxRecordBytes) and then the
  // end block (DL 0), which stays in the record of the member's last block.
  Bytes PDS(const TPDSDataSet& ds, TPDSLayout* layout = nullptr) const;

  // A message and a PDS, as TRANSMIT writes them: INMR01 (NumFiles 2); INMR02 file 1 (INMCOPY,
  // INMTERM, DSORG 0x4000, LRECL 251, BLKSIZE 3120, RECFM 0x5002, no data set name); the two
  // INMR02 of the PDS as file 2; INMR03 and one 80-byte data record per message line; INMR03
  // and the unload records; INMR06, padding.
  Bytes MessageAndPDS(const std::vector<std::string>& message, const TPDSDataSet& ds,
                      TPDSLayout* layout = nullptr) const;

  // The same three into a caller's segment writer (which may stream to a file). They write
  // no padding; call out.Pad(Options.PadMultiple, Options.Filler) and out.Flush() after.
  void WriteSequential(TSegmentWriter& out, const TSeqDataSet& ds) const;
  void WritePDS(TSegmentWriter& out, const TPDSDataSet& ds, TPDSLayout* layout = nullptr) const;
  void WriteMessageAndPDS(TSegmentWriter& out, const std::vector<std::string>& message,
                          const TPDSDataSet& ds, TPDSLayout* layout = nullptr) const;
};

// The two INMR02 records of a PDS unload (IEBCOPY, then INMCOPY) for file `fileNumber`.
std::vector<TINMR02> UnloadINMR02(const TPDSDataSet& ds, uint32_t fileNumber);
// Writes the unload's data records (COPYR1 to the last member block) and fills `layout`.
void WriteUnloadRecords(TSegmentWriter& out, const TPDSDataSet& ds, TPDSLayout* layout);

}  // namespace vttest
