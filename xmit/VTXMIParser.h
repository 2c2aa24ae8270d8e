// The XMIT file reader: one parser per file. Loading walks the file once and indexes
// its control records, the unload's extents and directory, and where each member's data
// lies; the readers of member data seek back to those positions later.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/VTMFUtils.h"
#include "common/VTStringList.h"
#include "common/VTTextWriter.h"
#include "platform/VTFileStream.h"
#include "translate/VTDBCSMap.h"
#include "translate/VTTranslate.h"
#include "xmit/VTXMIRecords.h"

class EXMITError : public std::runtime_error {
 public:
  explicit EXMITError(const std::string& msg) : std::runtime_error(msg) {}
};

using TVTExpandEvent = std::function<void(int32_t x, int32_t y, const std::wstring& ExpandMsg)>;
using TVTDebugEvent = std::function<void(const std::wstring& msg)>;

// What a member holds, as GetContentType judges it from its first bytes.
enum class TVTXMIMemberContentType {
  ctUnknown, ctEmpty, ctBinary, ctASCIIText, ctEBCDICText, ctAWS, ctEXE, ctXMI, ctZIP, ctPDF,
  ctEBCDICData, ctASCIIData, ctLoadMember
};

// Receives bytes: a member's host data, or the ANSI bytes of a text line.
using TVTByteSink = std::function<void(const uint8_t* data, size_t len)>;
// Receives the lines of a report one at a time (for reports too large to hold).
using TVTLineSink = std::function<void(const std::wstring& line)>;

class TVTXMIParser {
 public:
  // Records of this many bytes or more are refused: no real transmission comes near it.
  static constexpr int32_t kMaxRecordLength = 16 * 1024 * 1024;

  TVTXMIParser();
  ~TVTXMIParser();
  TVTXMIParser(const TVTXMIParser&) = delete;
  TVTXMIParser& operator=(const TVTXMIParser&) = delete;

  void LoadXMIFile();
  void LoadXMIFile(const std::wstring& fn);

  // Settings the callers may set.
  const std::wstring& XMIFile() const { return FXMIFile; }
  void SetXMIFile(const std::wstring& fn) { FXMIFile = fn; }
  const std::wstring& Folder() const { return FFolder; }
  void SetFolder(const std::wstring& f) { FFolder = f; }
  bool UseDSNAMEasFolder() const { return FUseDSNameAsFolder; }
  void SetUseDSNAMEasFolder(bool v) { FUseDSNameAsFolder = v; }
  bool ConvertData() const { return FConvertData; }
  void SetConvertData(bool v) { FConvertData = v; }
  // Translated member lines keep characters the ANSI code page cannot hold (for output
  // in UTF-8); by default they become the code page's replacement, as in saved files.
  bool UnicodeText() const { return FUnicodeText; }
  void SetUnicodeText(bool v) { FUnicodeText = v; }
  bool InsertCRLF() const { return FInsertCRLF; }
  void SetInsertCRLF(bool v) { FInsertCRLF = v; }
  const TVTExpandEvent& ExpandEvent() const { return FExpandEvent; }
  void SetExpandEvent(TVTExpandEvent e) { FExpandEvent = std::move(e); }
  // Receives the diagnostics about text units the reader does not know.
  void SetDebugEvent(TVTDebugEvent e) { FDebugEvent = std::move(e); }

  // Accessors. They answer for the file that carries the data set; in a transmission
  // with a message ahead of the data set, that is the file after the message.
  TINMR01Record& INMR01() { return *FINMR01Record; }
  std::wstring DSName() const;
  TVTUnloadType UnloadType() const;
  std::wstring RecordFormat() const;  // raises std::out_of_range with no INMR02 read
  int32_t LRECL() const;
  uint32_t DSORG() const;
  std::wstring FNODE() const { return FINMR01Record->FFNODE; }
  std::wstring FUSER() const { return FINMR01Record->FFUSER; }
  int32_t MemberCount() const;               // raises std::out_of_range with no INMR03
  std::wstring MemberName(int32_t i) const;  // raises std::out_of_range outside the list
  int64_t SeqRecordCount() const { return FSeqRecCnt; }
  // The directory entry i (name order) with its statistics.
  const TDirEntry& MemberEntry(int32_t i) const;
  // The entry named m as the member readers find it; none when there is none.
  TDirEntry* FindMember(const std::wstring& m);

  // ---- Member data ----
  // The member's records as lines (translated when ConvertData is true, else native), or
  // one hex dump of its data when dump is true or the data set has no LRECL.
  void GetMemberData(const std::wstring& m, TVTStringList& sl, bool dump);
  // The same lines handed to sink one at a time, so that a member of any size takes bounded
  // memory; false when there is no such member.
  bool GetMemberData(const std::wstring& m, const TVTLineSink& sink, bool dump);
  // The member's longest record; 0 when there is no such member.
  int32_t MaxRecordLength(const std::wstring& m);
  // Writes the member's host bytes to the file f (created first; no file when there is no
  // such member or the member has no data).
  void SaveRawMemberData(const std::wstring& m, const std::wstring& f);
  // The same bytes handed to sink; false when there is no such member.
  bool WriteRawMemberData(const std::wstring& m, const TVTByteSink& sink);
  // The records of a sequential data set as translated lines; maxrecs limits nothing.
  void GetRecordText(TVTStringList& sl, int64_t maxrecs);
  void GetRecordText(const TVTLineSink& sink);
  // The host bytes of a sequential data set's records, one after another, handed to sink; a
  // record of a variable-length format preceded by its 4-byte record descriptor (length + 4,
  // then two zero bytes), as a binary transfer with record descriptors gives them.
  void WriteRawRecords(const TVTByteSink& sink);
  // The member's lines as the bytes a text file of them holds, each line handed to sink
  // without its line end (translated when ConvertData is true); false without such member.
  bool WriteMemberLines(const std::wstring& m, const TVTByteSink& sink);
  // True when the member exists and the loader found its data.
  bool MemberHasData(const std::wstring& m);

  TVTXMIMemberContentType GetContentType(const std::wstring& m);
  // True when every byte read as ANSI text and written back gives the same byte, so text
  // files can be written from the bytes directly.
  bool AnsiBytesRoundTrip() const {
    PrepareAnsiTable();
    return FAnsiRoundTrip;
  }

  // ---- Dumps and reports ----
  void DumpXMIRecordData(TVTStringList& sl, int32_t datawidth);
  void DumpXMIRecordData(const std::wstring& dumpfile, int32_t datawidth);
  void GetRecordData(TVTStringList& sl, int64_t maxrecs);
  void GetRecordData(const TVTLineSink& sink);
  // The same lines written to a text file, without making them as text first.
  void GetRecordData(TVTTextWriter& out);
  void DumpXMIRecordData(const TVTLineSink& sink);
  void GetMemberList(TVTStringList& sl);
  // Appends the hex dump of len bytes, width bytes per line, to sl.
  void HexDumpBuffer(const uint8_t* data, TVTStringList& sl, int64_t len, int32_t width) const;
  void HexDumpBuffer(const uint8_t* data, const TVTLineSink& sink, int64_t len, int32_t width) const;
  void HexDumpBuffer(const uint8_t* data, TVTTextWriter& out, int64_t len, int32_t width) const;

  // A message sent ahead of the data set: true when the transmission has one, and its
  // lines (trailing blanks removed) appended to lines.
  bool HasMessage() const { return FMessageFile != 0; }
  void GetMessageLines(TVTStringList& lines) const;

  const std::vector<std::unique_ptr<TINMR02Record>>& INMR02List() const { return FINMR02List; }
  const std::vector<std::unique_ptr<TINMR03Record>>& INMR03List() const { return FINMR03List; }
  // The holders that carry the data set (see the accessors above); none when absent.
  const TINMR02Record* DataSetINMR02() const { return FirstINMR02(); }
  const TINMR03Record* DataSetINMR03() const { return FirstINMR03(); }

  TVTSBCSMap& XlateS() { return *FXlateS; }
  // Loads a translation table file into the map; on any failure the map takes the
  // built-in table again and nothing reaches the caller.
  void LoadSBCSTable(const std::wstring& f);
  // Walk counters, for the reports and the tests.
  int64_t RecordCount() const { return FRecCnt; }
  int64_t ControlRecordCount() const { return FCtrlCnt; }
  uint32_t DataRecordCount() const { return FDataCnt; }
  int64_t UnmatchedMemberCount() const { return FMemberCnt; }
  int64_t FirstSeqRecordPos() const { return FFirstSeqRecordPos; }

 private:
  // Record layer.
  void ReadXMITRecord();
  bool ReadSegment(size_t& len, bool& first);
  void FinishRecord(size_t len);
  void CloseInputStream();
  [[noreturn]] void RecordError(const std::string& what) const;

  // Control records.
  void ProcessINMR01();
  void ProcessINMR02();
  void ProcessINMR03();
  std::wstring ReadTUText(vtmf::TVTByteCursor& c, size_t length) const;
  void Debug(const wchar_t* recName, uint32_t key) const;

  // Data records: sequential data, IEBCOPY unload, directory, member data.
  void HandleDataRecord();
  void ProcessDataRecord(TINMR02Record* first02, TINMR03Record* cur03);
  void ProcessCOPYR1(TINMR03Record& r03);
  void ProcessCOPYR2(TINMR03Record& r03);
  void ProcessDirectoryRecord(TINMR03Record& r03);
  void ReadDirEntryUserData(TDirEntry& e, TINMR03Record& r03, const uint8_t* ud, size_t udLen);
  void ProcessMemberDataRecord(TINMR03Record& r03);

  // A hex dump made from pieces of data as they come (a member's blocks): the lines of the
  // dump of all pieces as one buffer, offsets running on across the pieces.
  class THexDumpStream {
   public:
    // disp: the character column's character for each byte (DumpCharacters).
    THexDumpStream(const TVTXMIParser& p, const TVTLineSink& sink, int32_t width, const char* disp);
    // last: no more data follows, so a short last line is written at once.
    void Add(const uint8_t* data, size_t len, bool last = false);
    void Finish();

   private:
    void Emit(const uint8_t* data, size_t n);
    const TVTXMIParser& FParser;
    const TVTLineSink& FSink;
    size_t FWidth;
    const char* FDisp;
    std::vector<uint8_t> FCarry;  // the start of a line not yet full
    uint64_t FOffset = 0;         // offset of the next line's first byte
    bool FPrimed = false;         // the parser's dump line holds a full line's fixed parts
  };

  // Member data walks (member data, content type).
  enum class TWalkEnd { weEndMarker, weControl, weDamaged, weNoData, weStopped };
  template <typename TOnBlock>
  TWalkEnd WalkMemberBlocks(const TDirEntry& e, TOnBlock onBlock);
  template <typename TOnRecord>
  TWalkEnd WalkMemberRecords(const TDirEntry& e, TOnRecord onRecord);
  template <typename TOnRecord>
  void WalkSequentialRecords(TOnRecord onRecord);
  const TDirEntry* DataEntry(const std::wstring& m);
  // True when the data set's records are of a variable-length format (V, VB, VBA, ...):
  // blocks and records carry length descriptors.
  bool VariableRecords() const;
  // How many logical records one data record of len bytes of a sequential data set holds.
  int64_t SeqRecordsIn(size_t len) const;
  TVTXMIMemberContentType ClassifySample(const uint8_t* data, int32_t len) const;
  TVTXMIMemberContentType MemberSampleType(const TDirEntry& e);
  TVTXMIMemberContentType SequentialSampleType();
  std::wstring BytesToText(const uint8_t* data, size_t len) const;
  void SeekTo(int64_t pos);

  // Which file of a transmission carries the data set.
  void DecideFiles();
  TINMR02Record* FirstINMR02() const;
  TINMR03Record* FirstINMR03() const;
  TINMR03Record* CurrentINMR03() const;

  std::wstring FXMIFile;
  std::wstring FFolder;
  std::unique_ptr<vtplatform::TVTFileStream> FInputStream;
  std::vector<uint8_t> FBuffer;
  // The current record's bytes: in FBuffer, or, for a record of one segment that lies whole
  // in the stream's buffer, right there (no copy). Valid until the next record is read.
  const uint8_t* FRec = nullptr;
  int32_t FRecLen = 0;
  TVTXMITPDSState FPDSState = TVTXMITPDSState::psCOPYR1;
  TVTXMITRecordType FRecType = TVTXMITRecordType::rtData;
  std::wstring FRecName;
  int64_t FRecCnt = 0;
  int64_t FCtrlCnt = 0;
  int64_t FMemberCnt = 0;
  int64_t FSeqRecCnt = 0;
  bool FUseDSNameAsFolder = false;
  uint32_t FDataCnt = 0;
  bool FConvertData = true;
  bool FInsertCRLF = true;
  bool FMemberOpen = false;
  TVTExpandEvent FExpandEvent;
  TVTDebugEvent FDebugEvent;
  bool FUnicodeText = false;
  std::unique_ptr<TVTSBCSMap> FXlateS;
  std::unique_ptr<TVTDBCSMap> FXlateD;  // reserved; nothing creates one yet
  std::unique_ptr<TINMR01Record> FINMR01Record;
  std::vector<std::unique_ptr<TINMR02Record>> FINMR02List;
  std::vector<std::unique_ptr<TINMR03Record>> FINMR03List;
  int64_t FRecordPos = 0;
  int64_t FFirstSeqRecordPos = 0;
  TDirEntry* FCurrentMember = nullptr;

  // Files of the transmission (0: not decided / none).
  bool FFilesDecided = false;
  uint32_t FMessageFile = 0;       // file number of a message sent ahead of the data set
  size_t FDataINMR02Index = 0;     // first INMR02 of the data set's file
  size_t FDataINMR03Index = 0;     // INMR03 of the data set's file
  std::vector<std::wstring> FMessageLines;

  // The data set's record format, decided once for the data records (they are many):
  // fixed (F, FB, FBA, ...), variable (V, VB, VBA, ...), undefined (U), or none of these.
  enum class TRecfmKind { rkFixed, rkVariable, rkU, rkOther };
  const TINMR02Record* FRecfmOf = nullptr;
  TRecfmKind FRecfmKind = TRecfmKind::rkOther;
  // A sequential data set of record format F or FB: its LRECL, by which a data record that
  // holds a whole block is cut into its records; 0 for every other data set.
  size_t FSeqSplitLRECL = 0;
  bool FSequential = false;  // the data set's utility is INMCOPY
  bool FSeqRun = false;      // within the data records of a sequential data set

  // The ANSI code page's character for each byte, when it is a single-byte code page;
  // FAnsiRoundTrip: every byte comes back unchanged from its character.
  void PrepareAnsiTable() const;
  mutable std::wstring FAnsiTable;
  mutable bool FAnsiSingleByte = false;
  mutable bool FAnsiRoundTrip = false;
  std::vector<uint8_t> FScratch;  // a translated copy of one record
  // Host byte to the byte a translated text file holds: the map's character when it is
  // below 256 (its low byte), else that character in the ANSI code page ("?" when the
  // code page lacks it); and to the character a Unicode line shows. Rebuilt whenever the
  // map's host-to-PC table differs from FTextFrom.
  void PrepareTextTables();
  int32_t FTextFrom[256] = {};
  bool FTextTablesReady = false;
  uint8_t FHostAnsi[256] = {};
  wchar_t FHostText[256] = {};
  const std::wstring& HexDumpHeader(size_t width) const;
  mutable std::wstring FDumpHeader;  // the dump title line for FDumpHeaderWidth
  mutable size_t FDumpHeaderWidth = 0;
  mutable std::wstring FDumpLine;    // the line being built
  mutable std::string FDumpLineAnsi;  // the same, as the bytes of a text file
  const char* DumpCharacters() const;
  void HexDumpLines(const uint8_t* data, const TVTLineSink& sink, int64_t len, int32_t width, const char* disp) const;
  void HexDumpLines(const uint8_t* data, TVTTextWriter& out, int64_t len, int32_t width, const char* disp) const;
  mutable std::string FDumpHeaderAnsi;  // the title line as the bytes of a text file
  mutable size_t FDumpHeaderAnsiWidth = 0;
  mutable char FDumpChars[256] = {};  // the character column's character for each byte
  void CacheRecordFormat(const TINMR02Record* first02);
};
