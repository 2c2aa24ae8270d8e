// Parses arbitrary bytes as an XML document, one character per byte and as UTF-16LE, then
// writes the tree in both forms and reads a few paths from it. Only EVTXMLParseError may come
// out of bad text; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xml/VTXML.h"

namespace {

void Exercise(TVTXMLDocument& doc) {
  (void)doc.XML();
  (void)doc.StructuredXML();
  TVTXMLElement* root = doc.RootElement();
  for (int32_t i = 0; i < root->ElementCount() && i < 16; ++i) {
    TVTXMLElement* e = root->GetElement(i);
    (void)e->Value();
    (void)e->CDATAValue();
    (void)e->IntegerValue();
    (void)e->BooleanValue();
    (void)e->NameSpace();
    (void)e->SubElement(L"a.b");
  }
}

// The parse of a text that the writer produced parses again (values and names that the
// tokenizer cannot carry may fail; that is a known limit, not a crash).
void Reparse(const std::wstring& text) {
  TVTXMLDocument again;
  try {
    again.ParseFromText(text);
  } catch (const EVTXMLParseError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    TVTXMLDocument doc;
    try {
      doc.ParseFromAnsiBuffer(data, size);
    } catch (const EVTXMLParseError&) {
    }
    // a failed parse leaves its part of the tree, which must be as writable as a whole one
    Exercise(doc);
    Reparse(doc.StructuredXML());
  }
  {
    std::wstring units(size / 2, L'\0');
    for (size_t i = 0; i < units.size(); ++i)
      units[i] = static_cast<wchar_t>(data[2 * i] | (static_cast<unsigned>(data[2 * i + 1]) << 8));
    TVTXMLDocument doc;
    try {
      doc.ParseFromBuffer(units.data(), units.size());
    } catch (const EVTXMLParseError&) {
    }
    Exercise(doc);
  }
  return 0;
}
