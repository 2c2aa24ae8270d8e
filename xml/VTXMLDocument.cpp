// Text forms of elements and documents, saving, building a tree tag by tag, and the
// document's reset to an empty root.
#include <string>
#include <utility>
#include <vector>

#include "common/VTStrUtils.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xml/VTXML.h"

namespace {

const wchar_t* const kCRLF = L"\r\n";

}  // namespace

// --- element text forms ---

// The plain form (structured false) and the indented form (2 blanks a level, every line
// ended by CR LF) of the element and its subtree. Values and attribute values are written
// as stored. Walks the tree with an explicit stack, so any depth is safe.
std::wstring TVTXMLElement::FormatXML(bool structured) const {
  std::wstring out;
  struct TFrame {
    const TVTXMLElement* e;
    size_t next;  // index of the next child to write
    int32_t level;
  };
  auto indent = [&](int32_t level) {
    if (structured) out.append(2 * static_cast<size_t>(level), L' ');
  };
  auto valuePart = [&](const TVTXMLElement* e) {
    if (e->FCDATA) {
      out += L"<![CDATA[";
      out += e->FValue;
      out += L"]]>";
    } else {
      out += e->FValue;
    }
  };
  // Writes the start of e; true when e has children to write before its end.
  auto open = [&](const TVTXMLElement* e, int32_t level) {
    indent(level);
    out += L'<';
    out += e->FName;
    if (!e->FAttributes.empty()) {
      out += L' ';
      bool first = true;
      for (const auto& a : e->FAttributes) {
        if (!first) out += L' ';
        first = false;
        out += a->Name();
        out += L"=\"";
        out += a->Value();
        out += L'"';
      }
    }
    if (e->FElements.empty() && e->FValue.empty()) {
      out += L"/>";  // also when the CDATA flag is set
      if (structured) out += kCRLF;
      return false;
    }
    out += L'>';
    if (!e->FElements.empty()) {
      if (structured) out += kCRLF;
      return true;
    }
    valuePart(e);
    out += L"</";
    out += e->FName;
    out += L'>';
    if (structured) out += kCRLF;
    return false;
  };
  // The end of an element with children: its value after the last child, then the end tag.
  auto close = [&](const TVTXMLElement* e, int32_t level) {
    valuePart(e);
    indent(level);
    out += L"</";
    out += e->FName;
    out += L'>';
    if (structured) out += kCRLF;
  };

  std::vector<TFrame> stack;
  const int32_t base = Level();
  if (open(this, base)) stack.push_back({this, 0, base});
  while (!stack.empty()) {
    TFrame& f = stack.back();
    if (f.next < f.e->FElements.size()) {
      const TVTXMLElement* child = f.e->FElements[f.next++].get();
      const int32_t level = f.level + 1;
      if (open(child, level)) stack.push_back({child, 0, level});  // f may dangle from here
    } else {
      close(f.e, f.level);
      stack.pop_back();
    }
  }
  return out;
}

std::wstring TVTXMLElement::XML() const { return FormatXML(false); }
std::wstring TVTXMLElement::StructuredXML() const { return FormatXML(true); }

// --- document text forms and saving ---

std::wstring TVTXMLDocument::XMLDeclaration() { return L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"; }

std::wstring TVTXMLDocument::XML() const { return XMLDeclaration() + FRootElement->XML(); }

std::wstring TVTXMLDocument::StructuredXML() const {
  return XMLDeclaration() + kCRLF + FRootElement->StructuredXML();
}

void TVTXMLDocument::SaveStructuredXML(const std::wstring& FileName) {
  FFileName = FileName;
  vtplatform::TVTFileStream out(FileName, vtplatform::TVTFileStream::TMode::Create);
  const std::string bytes = vtplatform::ToAnsi(StructuredXML());
  out.Write(bytes.data(), bytes.size());
  out.Close();
}

void TVTXMLDocument::SaveStructuredXML() { SaveStructuredXML(FFileName); }

void TVTXMLDocument::SaveUnicodeXML(const std::wstring& FileName) {
  vtplatform::TVTFileStream out(FileName, vtplatform::TVTFileStream::TMode::Create);
  const std::wstring text = StructuredXML();
  std::string bytes;
  bytes.reserve(2 + 2 * text.size());
  bytes += '\xFF';
  bytes += '\xFE';
  auto unit = [&](uint32_t u) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>((u >> 8) & 0xFF);
  };
  for (wchar_t ch : text) {
    const uint32_t c = static_cast<uint32_t>(ch);
    if (c > 0xFFFF && c <= 0x10FFFF) {  // a 32-bit wchar_t outside the BMP: a surrogate pair
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else if (c > 0x10FFFF) {
      unit(0xFFFD);
    } else {
      unit(c);
    }
  }
  out.Write(bytes.data(), bytes.size());
  out.Close();
}

std::wstring TVTXMLDocument::Name() const {
  return vtstr::StripExtension(vtplatform::ExtractFileName(FFileName));
}

// --- building ---

TVTXMLElement* TVTXMLDocument::AddRootTag(const std::wstring& tagname) {
  FRootElement = std::make_unique<TVTXMLElement>();
  FRootElement->FName = tagname;
  // Context and parser state referred to the old tree.
  FContext = nullptr;
  FCurrentElement = FRootElement.get();
  return FRootElement.get();
}

TVTXMLElement* TVTXMLDocument::AddTag(TVTXMLElement* parent, const std::wstring& tagname) {
  if (!parent) return AddRootTag(tagname);
  auto e = std::make_unique<TVTXMLElement>();
  e->FName = tagname;
  return parent->AddElement(std::move(e));
}

TVTXMLElement* TVTXMLDocument::AddTagValue(TVTXMLElement* parent, const std::wstring& tagname,
                                           const std::wstring& value) {
  TVTXMLElement* e = AddTag(parent, tagname);
  if (parent) e->SetValue(value);
  return e;
}

TVTXMLElement* TVTXMLDocument::AddTagValueBoolean(TVTXMLElement* parent, const std::wstring& tagname,
                                                  bool value) {
  return AddTagValue(parent, tagname, value ? L"1" : L"0");
}

TVTXMLElement* TVTXMLDocument::AddTagValueInteger(TVTXMLElement* parent, const std::wstring& tagname,
                                                  int32_t value) {
  return AddTagValue(parent, tagname, std::to_wstring(value));
}

// An empty root: no children, no attributes and, unlike Clear, no text either, so that a
// failed load leaves nothing of an earlier document behind.
void TVTXMLDocument::InitializeXMLDocument() {
  Clear();
  FRootElement->FValue.clear();
  FRootElement->FCDATA = false;
  FRootElement->SetName(L"<" + FRootName + L">");
  if (FOnInitialization) FOnInitialization(*this);
}
