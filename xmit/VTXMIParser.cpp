// The parser object: construction, the loading walk and the accessors.
#include "xmit/VTXMIParser.h"

#include "common/VTStrUtils.h"
#include "platform/VTPlatform.h"

TVTXMIParser::TVTXMIParser()
    : FBuffer(32768), FXlateS(new TVTSBCSMap()), FINMR01Record(new TINMR01Record()) {}

TVTXMIParser::~TVTXMIParser() { CloseInputStream(); }

void TVTXMIParser::CloseInputStream() { FInputStream.reset(); }

void TVTXMIParser::LoadXMIFile(const std::wstring& fn) {
  FXMIFile = fn;
  LoadXMIFile();
}

void TVTXMIParser::LoadXMIFile() {
  CloseInputStream();
  // A buffer that stays in the L2 cache makes the copies out of it cheap.
  FInputStream.reset(new vtplatform::TVTFileStream(FXMIFile, vtplatform::TVTFileStream::TMode::Read,
                                                   64 * 1024));
  FRecCnt = 0;
  FSeqRecCnt = 0;
  try {
    do {
      ReadXMITRecord();
      ++FRecCnt;
      if (FRecType == TVTXMITRecordType::rtData) {
        if (FSeqRun) {
          // Another record of a sequential data set after its first: it only counts.
          ++FDataCnt;
          FSeqRecCnt += SeqRecordsIn(static_cast<size_t>(FRecLen));
          continue;
        }
        if (FCtrlCnt < 1) throw EXMITError("Bad Control Record Structure");
        ++FDataCnt;
        HandleDataRecord();
        FSeqRun = FSequential && FSeqRecCnt > 0 && FMessageFile == 0;
      } else {
        FSeqRun = false;
        ++FCtrlCnt;
        if (FRecName == L"INMR01") {
          ProcessINMR01();
        } else if (FRecName == L"INMR02") {
          ProcessINMR02();
        } else if (FRecName == L"INMR03") {
          if (!FFilesDecided) DecideFiles();
          ProcessINMR03();
        } else if (FRecName == L"INMR04" || FRecName == L"INMR06" || FRecName == L"INMR07") {
          // accepted; contents not read
        } else {
          throw EXMITError("Unrecognized Control Record: " + vtplatform::ToUtf8(FRecName));
        }
      }
    } while (FRecType == TVTXMITRecordType::rtData || FRecName != L"INMR06");
  } catch (const vtmf::EVTRecordTooShort&) {
    if (TINMR03Record* r = CurrentINMR03()) r->SortMembers();
    throw EXMITError("Record " + std::to_string(FRecCnt) + " at file offset " +
                     std::to_string(FRecordPos) + " is too short for its contents");
  } catch (...) {
    if (TINMR03Record* r = CurrentINMR03()) r->SortMembers();
    throw;
  }
  if (TINMR03Record* r = CurrentINMR03()) r->SortMembers();
}

// A transmission made with a message carries the message as its first file (an INMCOPY
// file with INMTERM or without a data set name) and the data set as a later file. All
// INMR02 records come before the first INMR03, so this is decided there.
void TVTXMIParser::DecideFiles() {
  FFilesDecided = true;
  if (FINMR02List.empty()) return;
  const TINMR02Record& first = *FINMR02List[0];
  if (!first.FTERM && !vtstr::Trim(first.FDSNAME).empty()) return;
  std::vector<uint32_t> files;  // distinct file numbers in order of appearance
  for (size_t i = 0; i < FINMR02List.size(); ++i) {
    const TINMR02Record& r = *FINMR02List[i];
    size_t ordinal = 0;
    while (ordinal < files.size() && files[ordinal] != r.FFILENUM) ++ordinal;
    if (ordinal == files.size()) files.push_back(r.FFILENUM);
    if (r.FFILENUM != first.FFILENUM && !vtstr::Trim(r.FDSNAME).empty()) {
      FMessageFile = first.FFILENUM == 0 ? 1 : first.FFILENUM;
      for (size_t j = 0; j < FINMR02List.size(); ++j)
        if (FINMR02List[j]->FFILENUM == r.FFILENUM) {
          FDataINMR02Index = j;
          break;
        }
      FDataINMR03Index = ordinal;
      return;
    }
  }
}

void TVTXMIParser::HandleDataRecord() {
  if (FINMR02List.empty() || FINMR03List.empty()) throw EXMITError("Bad Control Record Structure");
  if (FMessageFile == 0) {
    ProcessDataRecord(FirstINMR02(), CurrentINMR03());
    return;
  }
  const size_t file = FINMR03List.size() - 1;  // the k-th INMR03 belongs to the k-th file
  if (file == FDataINMR03Index) {
    ProcessDataRecord(FirstINMR02(), CurrentINMR03());
  } else if (file == 0) {
    FMessageLines.push_back(vtstr::TrimRight(FXlateS->ASCIIStringFromBuffer(FRec, FRecLen)));
  }
  // Records of further files are not part of the data set and are passed over.
}

void TVTXMIParser::GetMessageLines(TVTStringList& lines) const {
  lines.BeginUpdate();
  for (const std::wstring& s : FMessageLines) lines.Add(s);
  lines.EndUpdate();
}

TINMR02Record* TVTXMIParser::FirstINMR02() const {
  if (FINMR02List.empty()) return nullptr;
  return FINMR02List[FMessageFile ? FDataINMR02Index : 0].get();
}

TINMR03Record* TVTXMIParser::FirstINMR03() const {
  const size_t i = FMessageFile ? FDataINMR03Index : 0;
  return i < FINMR03List.size() ? FINMR03List[i].get() : nullptr;
}

TINMR03Record* TVTXMIParser::CurrentINMR03() const {
  return FINMR03List.empty() ? nullptr : FINMR03List.back().get();
}

std::wstring TVTXMIParser::DSName() const {
  const TINMR02Record* r = FirstINMR02();
  return r ? vtstr::Trim(r->FDSNAME) : std::wstring();
}

TVTUnloadType TVTXMIParser::UnloadType() const {
  const TINMR03Record* r = FirstINMR03();
  return r ? r->FUnloadType : TVTUnloadType::utSeq;
}

std::wstring TVTXMIParser::RecordFormat() const {
  const TINMR02Record* r = FirstINMR02();
  if (!r) throw std::out_of_range("List index out of bounds (0)");
  return r->RecordFormat();
}

int32_t TVTXMIParser::LRECL() const {
  const TINMR02Record* r = FirstINMR02();
  return r ? static_cast<int32_t>(r->FLRECL) : 0;
}

uint32_t TVTXMIParser::DSORG() const {
  const TINMR02Record* r = FirstINMR02();
  return r ? r->FDSORG : 0;
}

int32_t TVTXMIParser::MemberCount() const {
  const TINMR03Record* r = FirstINMR03();
  if (!r) throw std::out_of_range("List index out of bounds (0)");
  return static_cast<int32_t>(r->FMemberList.size());
}

const TDirEntry& TVTXMIParser::MemberEntry(int32_t i) const {
  const TINMR03Record* r = FirstINMR03();
  if (!r) throw std::out_of_range("List index out of bounds (0)");
  if (i < 0 || static_cast<size_t>(i) >= r->FMemberList.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  return *r->FMemberList[static_cast<size_t>(i)];
}

std::wstring TVTXMIParser::MemberName(int32_t i) const { return MemberEntry(i).Member; }

TDirEntry* TVTXMIParser::FindMember(const std::wstring& m) {
  TINMR03Record* r = FirstINMR03();
  return r ? r->Member(m) : nullptr;
}
