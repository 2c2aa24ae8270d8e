// Holders of the XMIT control records and of the unload's extents and directory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

enum class TVTXMITRecordType { rtControl, rtData };
enum class TVTXMITPDSState { psCOPYR1, psCOPYR2, psDEB, psDIR, psDATA };
enum class TVTUnloadType { utSeq, utPDS, utPDSE };

// Record format text of an INMRECFM value: "F", "V", "U" with "B", "A", "M" appended.
std::wstring DecodeRECFM(uint32_t v);

// Header record (INMR01).
class TINMR01Record {
 public:
  uint32_t FLRECL = 0;
  uint32_t FNUMFL = 0;
  uint32_t FVERS = 0;
  std::wstring FUSERP;
  std::wstring FFNODE;
  std::wstring FFUSER;
  std::wstring FTNODE;
  std::wstring FTUSER;
  std::wstring FFTIME;
  std::wstring FACK;
};

// File utility control record (INMR02); one per record, in file order.
class TINMR02Record {
 public:
  uint32_t FFILENUM = 0;
  uint32_t FDSORG = 0;
  uint32_t FLRECL = 0;
  uint32_t FRECFM = 0;
  uint32_t FSIZE = 0;
  uint32_t FBLKSIZE = 0;
  uint32_t FDIR = 0;
  uint32_t FFM = 0;
  uint32_t FTYPE = 0;
  std::wstring FUTIL;
  std::wstring FDSNAME;
  std::wstring FCREAT;
  std::wstring FEXPIRE;
  std::wstring FCHG;
  std::wstring FREF;
  std::wstring FUSERP;
  // INMTERM was present: the file is a message (TRANSMIT ... MESSAGE).
  bool FTERM = false;

  std::wstring RecordFormat() const { return DecodeRECFM(FRECFM); }
};

// Device figures from COPYR1.
struct TXMITDevTab {
  uint32_t MaxBlkSize = 0;
  uint32_t NumCyls = 0;
  uint32_t TrksPerCyl = 0;
};

// One extent of the unloaded data set (COPYR2).
class TCOPYR2Extent {
 public:
  uint32_t StartCyl = 0, StartTrk = 0, EndCyl = 0, EndTrk = 0;
  uint32_t S = 0, E = 0;             // absolute start and end track
  uint32_t RelStrt = 0, RelEnd = 0;  // relative track numbers of the first and last track
};

// ISPF statistics of a source member.
class TISPFStats {
 public:
  uint16_t VV = 0;
  uint16_t MM = 0;
  uint8_t Flags = 0;
  uint8_t ModSecs = 0;    // packed decimal
  uint32_t Created = 0;   // packed 0CYYDDDF
  uint32_t Modified = 0;  // packed 0CYYDDDF
  uint16_t ModTime = 0;   // packed HHMM
  // Line counts; the extended form of the statistics carries 32-bit counts.
  uint32_t Lines = 0;
  uint32_t InitLines = 0;
  uint32_t ModLines = 0;
  std::wstring ModBy;
  bool Extended = false;  // read from the 40-byte extended form

  // The statistics columns of the member list, dates with the locale's separator.
  std::wstring DirStats() const;
  std::wstring DirStats(wchar_t dateSeparator) const;
};

// A packed 0CYYDDDF date as year, month and day; false when it names no real day.
bool PackedDateToYMD(uint32_t packed, int& year, int& month, int& day);

// Load-module attributes of a member of a load library.
class TLoadStats {
 public:
  uint32_t PDS2TTRT = 0;
  uint8_t PDS2ZERO = 0;
  uint32_t PDS2TTRN = 0;
  uint8_t PDS2NL = 0;
  uint8_t PDS2ATR1 = 0;
  uint8_t PDS2ATR2 = 0;
  uint32_t PDS2STOR = 0;
  uint32_t PDS2FTBL = 0;
  uint32_t PDS2EPA = 0;
  uint8_t PDS2FTB1 = 0;
  uint8_t PDS2FTB2 = 0;
  uint8_t PDS2FTB3 = 0;
  uint32_t PDS2EPM = 0;
  std::wstring PDS2MNM;  // for an alias: the member it belongs to

  // The load-module columns of the member list for the entry d.
  std::wstring LoadStats(const class TDirEntry& d) const;
};

// One directory entry with the position of its data in the XMIT file.
class TDirEntry {
 public:
  std::wstring Member;
  uint32_t TT = 0;
  uint32_t R = 0;
  bool Alias = false;
  int64_t XMIRecNum = 0;
  int64_t XMIRecCnt = 0;
  int64_t RecCnt = 0;
  int64_t Offset = 0;
  int64_t Size = 0;
  std::unique_ptr<TISPFStats> ISPFStats;
  std::unique_ptr<TLoadStats> LoadStats;
  uint32_t MaxLRECL = 0;
};

// Data control record (INMR03) with the unload state of its file.
class TINMR03Record {
 public:
  uint32_t FDSORG = 0;
  uint32_t FLRECL = 0;
  uint32_t FRECFM = 0;
  uint32_t FSIZE = 0;
  TVTUnloadType FUnloadType = TVTUnloadType::utSeq;
  TXMITDevTab FDevTab;
  std::vector<std::unique_ptr<TCOPYR2Extent>> FExtentList;
  std::vector<std::unique_ptr<TDirEntry>> FMemberList;
  bool FISPFStatsPresent = false;
  bool FLoadStatsPresent = false;

  std::wstring RecordFormat() const { return DecodeRECFM(FRECFM); }

  void StoreExtent(std::unique_ptr<TCOPYR2Extent> o);
  void StoreDirEntry(std::unique_ptr<TDirEntry> o);

  // Relative track of an absolute address; 0xFFFFFF when no extent holds it.
  uint32_t RelativeTrack(uint32_t cyl, uint32_t trk) const;
  // The first non-alias entry, in list order, whose data starts at that address.
  TDirEntry* Member(uint32_t cyl, uint32_t trk, uint32_t rec);
  std::wstring MemberName(uint32_t cyl, uint32_t trk, uint32_t rec);
  // The entry named m (case of a-z ignored); a load-library alias resolves to its main
  // member, a source-library alias to the member at its TTR. None when there is no such
  // entry or an alias chain leads back to itself.
  TDirEntry* Member(const std::wstring& m);
  // Sorts the entries by name, ordinal, case-sensitive.
  void SortMembers();

 private:
  TDirEntry* FindByName(const std::wstring& key);
  // (TT << 8 | R) -> first non-alias entry in list order; kept while entries are stored.
  std::unordered_map<uint32_t, TDirEntry*> FAddressIndex;
  // Trimmed upper-case name -> first entry in list order; rebuilt on demand.
  std::unordered_map<std::wstring, TDirEntry*> FNameIndex;
  bool FNameIndexValid = false;
};
