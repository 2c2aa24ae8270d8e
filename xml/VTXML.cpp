// Placeholder bodies; the library is being filled in.
#include "xml/VTXML.h"

void TVTXMLAttribute::SetValue(const std::wstring& value) { FValue = value; }

TVTXMLElement::~TVTXMLElement() = default;
std::wstring TVTXMLElement::Value() const { return FValue; }
void TVTXMLElement::SetValue(const std::wstring& value) { FValue = value; }
std::wstring TVTXMLElement::CDATAValue() const { return FValue; }
void TVTXMLElement::SetCDATAValue(const std::wstring& value) { FCDATA = true; FValue = value; }
int32_t TVTXMLElement::IntegerValue() const { return 0; }
void TVTXMLElement::SetIntegerValue(int32_t) {}
bool TVTXMLElement::BooleanValue() const { return false; }
void TVTXMLElement::SetBooleanValue(bool) {}
std::wstring TVTXMLElement::Name() const { return FName; }
void TVTXMLElement::SetName(const std::wstring& t) { FName = t; }
std::wstring TVTXMLElement::NameSpace() const { return L""; }
std::wstring TVTXMLElement::XML() const { return L""; }
std::wstring TVTXMLElement::StructuredXML() const { return L""; }
int32_t TVTXMLElement::Level() const { return 0; }
TVTXMLElement* TVTXMLElement::AddElement(std::unique_ptr<TVTXMLElement> e) {
  e->FParent = this; FElements.push_back(std::move(e)); return FElements.back().get(); }
TVTXMLElement* TVTXMLElement::AddFirstElement(std::unique_ptr<TVTXMLElement> e) { return AddElement(std::move(e)); }
std::unique_ptr<TVTXMLElement> TVTXMLElement::DeleteElement(int32_t) { return nullptr; }
void TVTXMLElement::Clear() { FElements.clear(); FAttributes.clear(); }
TVTXMLElement* TVTXMLElement::GetElement(int32_t i) const {
  return (i >= 0 && i < ElementCount()) ? FElements[i].get() : nullptr; }
TVTXMLAttribute* TVTXMLElement::GetAttribute(int32_t) const { return nullptr; }
std::wstring TVTXMLElement::GetAttributeValue(const std::wstring&) const { return L""; }
void TVTXMLElement::SetAttributeValue(const std::wstring&, const std::wstring&) {}
TVTXMLElement* TVTXMLElement::ElementByName(const std::wstring&, bool) { return nullptr; }
TVTXMLElement* TVTXMLElement::SubElement(const std::wstring&) { return this; }
TVTXMLElement* TVTXMLElement::Path(const std::wstring&) { return this; }
std::wstring TVTXMLElement::FormatXML(bool) const { return L""; }

TVTXMLDocument::TVTXMLDocument() : FRootElement(new TVTXMLElement) { FCurrentElement = FRootElement.get(); }
TVTXMLDocument::~TVTXMLDocument() = default;
void TVTXMLDocument::Clear() { FRootElement->Clear(); }
void TVTXMLDocument::ParseFromText(const std::wstring&) {}
void TVTXMLDocument::ParseFromBuffer(const wchar_t*, size_t) {}
void TVTXMLDocument::ParseFromAnsiStream(vtplatform::TVTFileStream&) {}
void TVTXMLDocument::ParseFromUnicodeStream(vtplatform::TVTFileStream&) {}
void TVTXMLDocument::ParseFromAnsiBuffer(const uint8_t*, size_t) {}
void TVTXMLDocument::LoadStructuredXML(const std::wstring&) {}
void TVTXMLDocument::LoadUnicodeXML(const std::wstring&) {}
std::wstring TVTXMLDocument::XMLDeclaration() { return L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"; }
std::wstring TVTXMLDocument::XML() const { return L""; }
std::wstring TVTXMLDocument::StructuredXML() const { return L""; }
void TVTXMLDocument::SaveStructuredXML(const std::wstring& f) { FFileName = f; }
void TVTXMLDocument::SaveStructuredXML() {}
void TVTXMLDocument::SaveUnicodeXML(const std::wstring&) {}
TVTXMLElement* TVTXMLDocument::AddRootTag(const std::wstring& t) {
  FRootElement.reset(new TVTXMLElement); FRootElement->FName = t; FContext = nullptr;
  FCurrentElement = FRootElement.get(); return FRootElement.get(); }
TVTXMLElement* TVTXMLDocument::AddTag(TVTXMLElement* p, const std::wstring& t) {
  if (!p) return AddRootTag(t);
  std::unique_ptr<TVTXMLElement> e(new TVTXMLElement); e->FName = t; return p->AddElement(std::move(e)); }
TVTXMLElement* TVTXMLDocument::AddTagValue(TVTXMLElement* p, const std::wstring& t, const std::wstring& v) {
  TVTXMLElement* e = AddTag(p, t); if (p) e->SetValue(v); return e; }
TVTXMLElement* TVTXMLDocument::AddTagValueBoolean(TVTXMLElement* p, const std::wstring& t, bool v) {
  return AddTagValue(p, t, v ? L"1" : L"0"); }
TVTXMLElement* TVTXMLDocument::AddTagValueInteger(TVTXMLElement* p, const std::wstring& t, int32_t v) {
  return AddTagValue(p, t, std::to_wstring(v)); }
void TVTXMLDocument::InitializeXMLDocument() {}
TVTXMLElement* TVTXMLDocument::Element(const std::wstring&) { return FRootElement.get(); }
int32_t TVTXMLDocument::ElementCount(const std::wstring&) { return 0; }
std::wstring TVTXMLDocument::StringValue(const std::wstring&) { return L""; }
int32_t TVTXMLDocument::IntegerValue(const std::wstring&) { return 0; }
bool TVTXMLDocument::BooleanValue(const std::wstring&) { return false; }
TVTVariant TVTXMLDocument::GetVariantValue(const std::wstring&) { return TVTVariant(); }
void TVTXMLDocument::SetVariantValue(const std::wstring&, const TVTVariant&) {}
void TVTXMLDocument::SetListValue(const std::wstring&, int32_t, const TVTVariant&) {}
void TVTXMLDocument::RemoveListValue(const std::wstring&, int32_t, const TVTVariant&) {}
void TVTXMLDocument::SetContext(const std::wstring&) {}
void TVTXMLDocument::ClearElement(const std::wstring&) {}
int32_t TVTXMLDocument::RootElementCount() { return 0; }
std::wstring TVTXMLDocument::SectionPath(const std::wstring& p) const { return p; }
std::wstring TVTXMLDocument::Name() const { return L""; }

TVTVariant TVTVariant::FromUInt64(uint64_t n) { return TVTVariant(TKind::UInt64, static_cast<int64_t>(n)); }
TVTVariant TVTVariant::FromDouble(double d) { TVTVariant v; v.FKind = TKind::Double; v.FDouble = d; return v; }
bool TVTVariant::IsInteger() const { return false; }
std::wstring TVTVariant::AsString() const { return FString; }
int64_t TVTVariant::AsInteger() const { return FInt; }
bool TVTVariant::AsBoolean() const { return FInt != 0; }
double TVTVariant::AsDouble() const { return FDouble; }
bool TVTVariant::operator==(const TVTVariant&) const { return false; }
namespace vtxml {
bool TryStrToInt32(const std::wstring&, int32_t&) { return false; }
int32_t StrToInt32(const std::wstring&) { return 0; }
bool TryStrToInt64(const std::wstring&, int64_t&) { return false; }
bool TryStrToDouble(const std::wstring&, double&) { return false; }
bool TryStrToBool(const std::wstring&, bool&) { return false; }
bool StrToBool(const std::wstring&) { return false; }
}
