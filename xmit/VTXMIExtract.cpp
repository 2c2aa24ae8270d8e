// ExtractAllMembers: the one extraction that every front end runs.
#include "xmit/VTXMIExtract.h"

#include <unordered_set>

#include "common/VTStrUtils.h"
#include "common/VTTextWriter.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"

namespace {

bool IsReservedDeviceName(const std::wstring& name) {
  // The part before the first "." decides: "CON" and "con.txt" are both the console.
  std::wstring base = vtstr::UpperAscii(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* n : kNames)
    if (base == n) return true;
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
      base[3] >= L'1' && base[3] <= L'9')
    return true;
  return false;
}

std::wstring WithDelimiter(const std::wstring& folder) {
  const wchar_t d = vtplatform::PathDelimiter();
  if (folder.empty()) return std::wstring(L".") + d;
  if (folder.back() == d || folder.back() == L'/') return folder;
  return folder + d;
}

// The data set's name as a file or folder name; the XMIT file's own name when it has none.
std::wstring DataSetFileName(TVTXMIParser& p) {
  std::wstring n = p.DSName();
  if (n.empty()) n = vtstr::StripExtension(vtplatform::ExtractFileName(p.XMIFile()));
  return SafeFileName(n);
}

// The folder the caller names, made when missing. It may itself be a link: that is the
// caller's choice.
void MakeFolder(const std::wstring& f) { vtplatform::CreateFolders(f); }

// The data set's subfolder, which extraction names itself: a link there (planted, or left
// from elsewhere) would send every member outside the folder the caller chose, so it is
// refused, before the folder is made and again after.
void MakeDataSetFolder(const std::wstring& f) {
  std::wstring name = f;
  while (name.size() > 1 && (name.back() == vtplatform::PathDelimiter() || name.back() == L'/'))
    name.pop_back();
  auto refuseLink = [&] {
    if (vtplatform::IsLink(name))
      throw vtplatform::EVTPlatformError("Cannot extract into folder " + vtplatform::ToUtf8(name) +
                                         ": it is a link; remove it or extract elsewhere");
  };
  refuseLink();
  vtplatform::CreateFolders(name);
  refuseLink();
}

// Unique file names within one extraction, compared without regard to letter case (as the
// file systems of Windows and macOS do).
class TNameSet {
 public:
  std::wstring Claim(const std::wstring& base, const std::wstring& ext) {
    std::wstring name = base + ext;
    for (int k = 2; !FUsed.insert(vtstr::UpperAscii(name)).second; ++k)
      name = base + L"~" + vtstr::IntToStr(k) + ext;
    return name;
  }

 private:
  std::unordered_set<std::wstring> FUsed;
};

const wchar_t* Extension(TVTXMIMemberContentType t) {
  switch (t) {
    case TVTXMIMemberContentType::ctBinary: return L".bin";
    case TVTXMIMemberContentType::ctASCIIText:
    case TVTXMIMemberContentType::ctEBCDICText: return L".txt";
    case TVTXMIMemberContentType::ctAWS: return L".aws";
    case TVTXMIMemberContentType::ctEXE: return L".exe";
    case TVTXMIMemberContentType::ctXMI: return L".xmi";
    case TVTXMIMemberContentType::ctZIP: return L".zip";
    case TVTXMIMemberContentType::ctPDF: return L".pdf";
    case TVTXMIMemberContentType::ctLoadMember: return L".load";
    default: return L".dat";
  }
}

// A member's lines as a text file: in the ANSI code page, or in UTF-8 (no byte-order mark)
// keeping every character the table gives; each line ended by CR LF.
void WriteTextMember(TVTXMIParser& p, const std::wstring& m, const std::wstring& file, bool utf8) {
  TVTTextWriter out(file);
  if (utf8) {
    struct TUnicodeText {
      explicit TUnicodeText(TVTXMIParser& parser) : P(parser), Was(parser.UnicodeText()) { P.SetUnicodeText(true); }
      ~TUnicodeText() { P.SetUnicodeText(Was); }
      TVTXMIParser& P;
      bool Was;
    } unicode(p);
    std::string bytes;
    p.GetMemberData(m, [&](const std::wstring& l) {
      bytes = vtplatform::ToUtf8(l);
      out.WriteLineBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }, false);
  } else if (!p.AnsiBytesRoundTrip()) {
    p.GetMemberData(m, [&](const std::wstring& l) { out.WriteLine(l); }, false);
  } else {
    // Each line's bytes are what the ANSI text of the line saves as: write them directly.
    p.WriteMemberLines(m, [&](const uint8_t* b, size_t n) { out.WriteLineBytes(b, n); });
  }
  out.Close();
}

}  // namespace

std::wstring SafeFileName(const std::wstring& name) {
  std::wstring s = name;
  for (wchar_t& c : s) {
    const uint32_t u = static_cast<uint32_t>(c);
    if (u < 0x20 || u == 0x7F || (u >= 0xD800 && u <= 0xDFFF) || u == 0xFFFE || u == 0xFFFF ||
        std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos)
      c = L'_';
  }
  // Windows drops trailing dots and blanks, and "." and ".." are no names at all.
  for (size_t i = s.size(); i > 0 && (s[i - 1] == L'.' || s[i - 1] == L' '); --i) s[i - 1] = L'_';
  if (s.empty()) return L"_";
  if (IsReservedDeviceName(s)) s = L"_" + s;
  return s;
}

std::wstring ExtractAllMembers(TVTXMIParser& parser, const std::wstring& folder,
                               const TVTExtractOptions& options) {
  std::wstring f = WithDelimiter(folder);
  const TVTUnloadType type = parser.UnloadType();
  if (type == TVTUnloadType::utSeq) {
    MakeFolder(f);
    if (options.Raw) {
      // The data set's host bytes, record after record.
      const std::wstring file = f + DataSetFileName(parser) + L".bin";
      vtplatform::TVTFileStream out(file, vtplatform::TVTFileStream::TMode::Create);
      parser.WriteRawRecords([&](const uint8_t* p, size_t n) { out.Write(p, n); });
      out.Close();
      return L"Extracted " + file;
    }
    const std::wstring file = f + DataSetFileName(parser) + L".txt";
    // The record dump is several times the data's size: written as it is made.
    TVTTextWriter out(file);
    parser.GetRecordData(out);
    out.Close();
    return L"Extracted " + file;
  }
  if (type != TVTUnloadType::utPDS && type != TVTUnloadType::utPDSE) return L"Unknown Extract Type";

  if (options.Subfolder) {
    MakeFolder(f);
    f = WithDelimiter(f + DataSetFileName(parser));
    MakeDataSetFolder(f);
  } else {
    MakeFolder(f);
  }
  TNameSet names;
  int64_t noData = 0;
  const int32_t count = parser.MemberCount();
  for (int32_t i = 0; i < count; ++i) {
    const std::wstring m = parser.MemberName(i);
    if (!parser.MemberHasData(m)) {
      ++noData;
      continue;
    }
    const std::wstring base = SafeFileName(m);
    if (options.Raw) {
      parser.SaveRawMemberData(m, f + names.Claim(base, L".bin"));
      continue;
    }
    const TVTXMIMemberContentType t = parser.GetContentType(m);
    const std::wstring file = f + names.Claim(base, Extension(t));
    if (t == TVTXMIMemberContentType::ctASCIIText || t == TVTXMIMemberContentType::ctEBCDICText) {
      parser.SetConvertData(t == TVTXMIMemberContentType::ctEBCDICText);
      WriteTextMember(parser, m, file, options.Utf8);
    } else {
      parser.SaveRawMemberData(m, file);
    }
  }
  std::wstring msg = L"Extracted " + vtstr::FormatThousands(count) + L" member(s) to " + f;
  if (noData > 0) msg += L"\n" + vtstr::FormatThousands(noData) + L" member(s) had no data";
  return msg;
}
