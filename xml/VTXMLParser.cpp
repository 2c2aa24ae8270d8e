// The document's tolerant tokenizer and its entry points.
//
// The rules, which callers depend on:
// - carriage return, line feed and tab count as blanks;
// - a double quote or an apostrophe starts a quoted run up to the same character, in text as
//   well as in tags; inside it "<" and ">" are ordinary characters;
// - "<![CDATA[" starts a section that ends with "]]";
// - a token beginning with "<" ends at the first ">" outside a quoted run or CDATA section, so
//   a comment ends at its first ">";
// - "<?..." and "<!..." tokens are ignored except a non-empty CDATA section, which becomes the
//   open element's stored value;
// - a blank that would start a text run is kept only after a start tag below the root;
// - text runs lose their trailing blanks and replace an earlier text run of the element;
// - the outermost element is never self-closing; whatever start tag comes while no element
//   is open is taken by the root.
// Text and CDATA sections that come while no element is open are ignored; an end tag then
// fails like any other unmatched end tag.
#include <algorithm>
#include <vector>

#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xml/VTXML.h"

namespace {

constexpr size_t kBlockSize = 65536;

std::string Narrow(const std::wstring& s) { return vtplatform::ToUtf8(s); }

bool IsNormalMode(const std::wstring& delim) { return delim.size() == 1 && delim[0] == L' '; }

}  // namespace

TVTXMLDocument::TVTXMLDocument() : FRootElement(std::make_unique<TVTXMLElement>()) {
  FCurrentElement = FRootElement.get();
}

TVTXMLDocument::~TVTXMLDocument() = default;

void TVTXMLDocument::Clear() {
  // Every element but the root goes, so a context or open element below it would dangle.
  FContext = nullptr;
  FCurrentElement = FRootElement.get();
  FRootElement->Clear();
}

// --- entry points ---

void TVTXMLDocument::ParseFromText(const std::wstring& buffer) {
  ResetParser();
  ParseBlock(buffer.data(), buffer.size());
  FinishParse();
}

void TVTXMLDocument::ParseFromBuffer(const wchar_t* buffer, size_t buflen) {
  ResetParser();
  if (buffer) ParseBlock(buffer, buflen);
  FinishParse();
}

void TVTXMLDocument::ParseFromAnsiStream(vtplatform::TVTFileStream& stream) {
  ResetParser();
  std::vector<uint8_t> block(kBlockSize);
  for (;;) {
    const size_t got = stream.Read(block.data(), block.size());
    if (got == 0) break;
    ParseAnsiBlock(block.data(), got);
  }
  FinishParse();
}

void TVTXMLDocument::ParseFromAnsiBuffer(const uint8_t* data, size_t len) {
  ResetParser();
  // Fed in the blocks a stream would deliver, so the conversion buffer stays small.
  for (size_t pos = 0; data && pos < len; pos += kBlockSize)
    ParseAnsiBlock(data + pos, std::min(kBlockSize, len - pos));
  FinishParse();
}

void TVTXMLDocument::ParseFromUnicodeStream(vtplatform::TVTFileStream& stream) {
  ResetParser();
  uint8_t mark[2];
  (void)stream.Read(mark, 2);  // the byte-order mark, not looked at
  std::vector<uint8_t> block(kBlockSize);
  std::wstring units;
  for (;;) {
    const size_t got = stream.Read(block.data(), block.size());
    if (got == 0) break;
    const size_t n = got / 2;  // an odd last byte is dropped
    units.resize(n);
    for (size_t i = 0; i < n; ++i)
      units[i] = static_cast<wchar_t>(block[2 * i] | (static_cast<unsigned>(block[2 * i + 1]) << 8));
    ParseBlock(units.data(), n);
  }
  FinishParse();
}

void TVTXMLDocument::LoadFile(const std::wstring& FileName, void (TVTXMLDocument::*parse)(vtplatform::TVTFileStream&)) {
  try {
    vtplatform::TVTFileStream in(FileName, vtplatform::TVTFileStream::TMode::Read);
    (this->*parse)(in);
    FFileName = FileName;
  } catch (const std::exception&) {
    InitializeXMLDocument();
  }
}

void TVTXMLDocument::LoadStructuredXML(const std::wstring& FileName) {
  LoadFile(FileName, &TVTXMLDocument::ParseFromAnsiStream);
}

void TVTXMLDocument::LoadUnicodeXML(const std::wstring& FileName) {
  LoadFile(FileName, &TVTXMLDocument::ParseFromUnicodeStream);
}

// --- tokenizer ---

void TVTXMLDocument::ResetParser() {
  Clear();
  FDelim = L" ";
  FToken.clear();
  FCurrentElement = nullptr;
  FTagOpen = false;
  FDepth = 0;
}

void TVTXMLDocument::ParseAnsiBlock(const uint8_t* p, size_t n) {
  // One character per byte, codes 0 to 255: no code page, no UTF-8.
  FBlock.resize(n);
  for (size_t i = 0; i < n; ++i) FBlock[i] = static_cast<wchar_t>(p[i]);
  ParseBlock(FBlock.data(), n);
}

void TVTXMLDocument::ParseBlock(const wchar_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    wchar_t c = p[i];
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
    const bool normal = IsNormalMode(FDelim);
    if (normal && (c == L'"' || c == L'\'')) {
      FDelim.assign(1, c);
      FToken += c;
    } else if (normal && FToken.size() == 9 && FToken == L"<![CDATA[") {
      FDelim = L"]]";
      FToken += c;
    } else if (!normal) {
      FToken += c;
      if (FDelim.size() == 1 && c == FDelim[0]) FDelim = L" ";
      if (FDelim == L"]]" && FToken.size() >= 2 && FToken.compare(FToken.size() - 2, 2, L"]]") == 0)
        FDelim = L" ";
    } else if (c == L' ' && FToken.empty()) {
      if (FTagOpen) FToken += c;
    } else if (c == L'<' && !FToken.empty()) {
      ProcessToken();
      FToken = L"<";
    } else if (c == L'>' && !FToken.empty() && FToken[0] == L'<') {
      FToken += c;
      ProcessToken();
    } else {
      FToken += c;
    }
  }
}

void TVTXMLDocument::ProcessToken() {
  std::wstring t;
  t.swap(FToken);  // FToken is empty after every token
  const size_t len = t.size();
  if (len == 0) return;

  if (t[0] == L'<' && len >= 2 && (t[1] == L'?' || t[1] == L'!')) {
    // Declarations, processing instructions, comments and document types leave no trace;
    // a CDATA section with content becomes the open element's stored value.
    if (len > 12 && t.compare(0, 9, L"<![CDATA[") == 0 && t.compare(len - 3, 3, L"]]>") == 0 &&
        FCurrentElement) {
      FCurrentElement->FCDATA = true;
      FCurrentElement->FValue = t.substr(9, len - 12);
    }
    return;
  }

  if (t[0] == L'<' && len >= 2 && t[1] == L'/') {
    const std::wstring name = len > 3 ? t.substr(2, len - 3) : std::wstring();
    if (!FCurrentElement || name != FCurrentElement->Name())
      throw EVTXMLParseError("unmatched closing tag: " + Narrow(t));
    if (FCurrentElement != FRootElement.get()) --FDepth;
    FCurrentElement = FCurrentElement->FParent;
    FTagOpen = false;
    return;
  }

  if (t[0] == L'<') {
    if (!FCurrentElement) {
      // The outermost element: the root takes its tag and is never self-closing.
      FCurrentElement = FRootElement.get();
      FCurrentElement->SetName(t);
      return;
    }
    auto e = std::make_unique<TVTXMLElement>();
    e->SetName(t);
    const bool selfClosing = len >= 2 && t[len - 2] == L'/';
    if (!selfClosing && FDepth >= MaxParseDepth)
      throw EVTXMLParseError("Document nested too deeply: " + Narrow(e->Name()));
    TVTXMLElement* added = FCurrentElement->AddElement(std::move(e));
    FTagOpen = true;
    if (selfClosing) {
      FTagOpen = false;
    } else {
      FCurrentElement = added;
      ++FDepth;
    }
    return;
  }

  // A text run: replaces an earlier one of the same element, without its trailing blanks.
  if (!FCurrentElement) return;
  size_t end = len;
  while (end > 0 && t[end - 1] == L' ') --end;
  t.resize(end);
  FCurrentElement->FValue = std::move(t);
}

void TVTXMLDocument::FinishParse() {
  FToken.clear();  // text after the last tag is dropped
  FDelim = L" ";
  if (FCurrentElement) {
    const std::wstring name = FCurrentElement->Name();
    FCurrentElement = nullptr;
    throw EVTXMLParseError("Badly formed document: " + Narrow(name));
  }
}
