// Path access: resolving "a/b(2)/#c" paths from an element (creating what is missing and
// marking the last element's type), typed reads and writes, and value lists kept most
// recent first.
#include <string>

#include "common/VTStrUtils.h"
#include "xml/VTXML.h"

namespace {

// Each remainder of a path is taken as at most this many characters.
constexpr size_t kMaxRemainder = 9999;

bool EndsWithNoCase(const std::wstring& s, const wchar_t* suffix, size_t len) {
  if (s.size() < len) return false;
  return vtstr::UpperAscii(s.substr(s.size() - len)) == suffix;
}

// The type attribute's value for a variant written by SetVariantValue.
const wchar_t* WrittenType(const TVTVariant& v) {
  switch (v.Kind()) {
    case TVTVariant::TKind::Int32:
    case TVTVariant::TKind::UInt8:
    case TVTVariant::TKind::UInt16:
    case TVTVariant::TKind::UInt32:
      return L"int";
    case TVTVariant::TKind::Boolean:
      return L"bool";
    default:
      return L"string";
  }
}

// The type attribute's value for a list entry.
const wchar_t* EntryType(const TVTVariant& v) {
  switch (v.Kind()) {
    case TVTVariant::TKind::Int32: return L"int";
    case TVTVariant::TKind::Boolean: return L"bool";
    default: return L"string";
  }
}

bool InSubtree(const TVTXMLElement* e, const TVTXMLElement* top) {
  for (; e; e = e->Parent())
    if (e == top) return true;
  return false;
}

}  // namespace

// Iterative: the path is walked as a window [b, e) over xpath, each step moving the element
// and narrowing the window; every remainder is cut to kMaxRemainder characters.
TVTXMLElement* TVTXMLElement::Path(const std::wstring& xpath) {
  TVTXMLElement* cur = this;
  int32_t budget = TVTXMLDocument::MaxAddedEntries;  // for the whole path, not per "(n)"
  size_t b = 0, e = xpath.size();
  auto remainder = [&](size_t from) {
    b = from;
    if (e - b > kMaxRemainder) e = b + kMaxRemainder;
  };
  auto startsWith = [&](const wchar_t* s, size_t len) { return e - b >= len && xpath.compare(b, len, s) == 0; };
  // The first position of c inside the window, counted from its start; npos when absent.
  // Searching stops at end (a window position) when given.
  auto findIn = [&](wchar_t c, size_t end = std::wstring::npos) {
    const size_t stop = end < e ? end : e;
    for (size_t i = b; i < stop; ++i)
      if (xpath[i] == c) return i - b;
    return std::wstring::npos;
  };
  for (;;) {
    if (b >= e) return cur;
    if (xpath[b] == L'/') {
      if (cur->FParent) {
        while (cur->FParent) cur = cur->FParent;  // the same text from the root
      } else {
        remainder(b + 1);
      }
      continue;
    }
    if (startsWith(L"../", 3)) {
      // At the root there is no parent: the rest resolves from the root.
      if (cur->FParent) cur = cur->FParent;
      remainder(b + 3);
      continue;
    }
    if (startsWith(L"./", 2)) {
      remainder(b + 2);
      continue;
    }
    // Positions inside the window, npos when absent.
    const size_t p3 = findIn(L'/');
    // Only whether a "(" comes before the first "/" matters while there is one.
    const size_t p1 = findIn(L'(', p3 == std::wstring::npos ? std::wstring::npos : b + p3);
    if (p3 != std::wstring::npos && (p1 == 0 || p1 == std::wstring::npos || p3 < p1)) {
      cur = cur->ElementByName(xpath.substr(b, p3), true, budget);
      remainder(b + p3 + 1);
      continue;
    }
    const size_t p2 = findIn(L')');
    if (p1 != std::wstring::npos && p1 > 0 && p2 != std::wstring::npos && p1 < p2) {
      cur = cur->ElementByName(xpath.substr(b, p1), true, budget);
      remainder(b + p1);
      continue;
    }
    // The last segment, with its optional type mark.
    std::wstring seg = xpath.substr(b, e - b);
    wchar_t mark = 0;
    if (seg.size() >= 2 && (seg[0] == L'#' || seg[0] == L'$' || seg[0] == L'@')) {
      mark = seg[0];
      seg.erase(0, 1);
    }
    cur = cur->ElementByName(seg, true, budget);
    if (mark == L'#') {
      cur->SetAttributeValue(L"type", L"int");
      if (!vtstr::IsNumeric(cur->FValue)) cur->FValue = L"0";
    } else if (mark == L'@') {
      cur->SetAttributeValue(L"type", L"bool");
    } else {
      cur->SetAttributeValue(L"type", L"string");
    }
    return cur;
  }
}

// --- document path operations ---

std::wstring TVTXMLDocument::SectionPath(const std::wstring& path) const {
  if (path.empty() || path[0] == L'/') return path;
  if (!FCurrentSection.empty()) return L"/" + FCurrentSection + L"/" + path;
  return path;
}

void TVTXMLDocument::ContextToRoot() {
  if (!FContext) FContext = FRootElement.get();
}

TVTXMLElement* TVTXMLDocument::ResolveFromContext(const std::wstring& path) {
  ContextToRoot();
  return FContext->Path(path);
}

TVTXMLElement* TVTXMLDocument::Element(const std::wstring& path) { return ResolveFromContext(SectionPath(path)); }

int32_t TVTXMLDocument::ElementCount(const std::wstring& path) { return Element(path)->ElementCount(); }

std::wstring TVTXMLDocument::StringValue(const std::wstring& path) { return Element(path)->Value(); }

int32_t TVTXMLDocument::IntegerValue(const std::wstring& path) { return vtxml::StrToInt32(StringValue(path)); }

bool TVTXMLDocument::BooleanValue(const std::wstring& path) { return vtxml::StrToBool(StringValue(path)); }

void TVTXMLDocument::SetContext(const std::wstring& path) { FContext = ResolveFromContext(path); }

void TVTXMLDocument::ClearElement(const std::wstring& path) {
  TVTXMLElement* e = Element(path);
  // A context inside the cleared subtree falls back to the cleared element.
  if (FContext != e && InSubtree(FContext, e)) FContext = e;
  e->Clear();
}

int32_t TVTXMLDocument::RootElementCount() {
  ContextToRoot();
  return FContext->ElementCount();
}

TVTVariant TVTXMLDocument::GetVariantValue(const std::wstring& path) {
  const std::wstring p = SectionPath(path);
  if (p.size() > 6 && EndsWithNoCase(p, L".COUNT", 6)) return TVTVariant(ElementCount(p.substr(0, p.size() - 6)));
  TVTXMLElement* e = ResolveFromContext(p);
  const std::wstring type = e->GetAttributeValue(L"type");
  const std::wstring v = e->Value();
  if (type == L"int") return TVTVariant(vtxml::StrToInt32(v));
  if (type == L"bool") return TVTVariant(v == L"1" || v == L"True");
  return TVTVariant(v);
}

void TVTXMLDocument::SetVariantValue(const std::wstring& path, const TVTVariant& value) {
  const std::wstring p = SectionPath(path);
  if (p.size() > 5 && EndsWithNoCase(p, L".LIST", 5)) {
    SetListValue(p.substr(0, p.size() - 5), 0, value);
    return;
  }
  if (p.size() > 7 && EndsWithNoCase(p, L".REMOVE", 7)) {
    RemoveListValue(p.substr(0, p.size() - 7), 0, value);
    return;
  }
  TVTXMLElement* e = ResolveFromContext(p);
  e->SetAttributeValue(L"type", WrittenType(value));
  e->SetValue(value.AsString());
}

// A value list: the path, with the digits of ind appended when ind is not 0.
TVTXMLElement* TVTXMLDocument::ListElement(const std::wstring& path, int32_t ind) {
  return ResolveFromContext(ind != 0 ? path + std::to_wstring(ind) : path);
}

void TVTXMLDocument::SetListValue(const std::wstring& path, int32_t ind, const TVTVariant& value) {
  TVTXMLElement* list = ListElement(path, ind);
  int32_t match = -1;
  for (int32_t i = 0; i < list->ElementCount(); ++i)
    if (TVTVariant(list->GetElement(i)->Value()) == value) match = i;
  TVTXMLElement* entry;
  if (match >= 0) {
    entry = list->AddFirstElement(list->DeleteElement(match));
  } else {
    auto e = std::make_unique<TVTXMLElement>();
    e->FName = L"Entry";
    entry = list->AddFirstElement(std::move(e));
    // The new entry itself always stays, whatever the limit.
    if (list->ElementCount() > FListLimit && list->ElementCount() > 1) {
      TVTXMLElement* last = list->GetElement(list->ElementCount() - 1);
      if (InSubtree(FContext, last)) FContext = list;
      list->DeleteElement(list->ElementCount() - 1);
    }
  }
  entry->SetAttributeValue(L"type", EntryType(value));
  entry->FValue = value.AsString();  // stored as it is, without escaping
}

void TVTXMLDocument::RemoveListValue(const std::wstring& path, int32_t ind, const TVTVariant& value) {
  TVTXMLElement* list = ListElement(path, ind);
  for (int32_t i = 0; i < list->ElementCount(); ++i) {
    TVTXMLElement* child = list->GetElement(i);
    if (TVTVariant(child->Value()) == value) {
      if (InSubtree(FContext, child)) FContext = list;
      list->DeleteElement(i);  // destroyed here
      return;
    }
  }
}
