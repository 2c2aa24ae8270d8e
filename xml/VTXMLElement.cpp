// Elements and attributes: stored and decoded text, tag text parsing, names, children and
// attributes, lookup by name.
#include <utility>

#include "platform/VTPlatform.h"
#include "xml/VTXML.h"

// --- attribute ---

void TVTXMLAttribute::SetValue(const std::wstring& value) {
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
    FValue = value.substr(1, value.size() - 2);
  else
    FValue = value;
}

// --- element: lifetime ---

// Children are moved onto a work list and destroyed one at a time with no children of their
// own, so a tree of any depth goes without recursion.
TVTXMLElement::~TVTXMLElement() {
  std::vector<std::unique_ptr<TVTXMLElement>> pending = std::move(FElements);
  while (!pending.empty()) {
    std::unique_ptr<TVTXMLElement> e = std::move(pending.back());
    pending.pop_back();
    for (auto& c : e->FElements) pending.push_back(std::move(c));
    e->FElements.clear();
  }
}

void TVTXMLElement::Clear() {
  std::vector<std::unique_ptr<TVTXMLElement>> gone = std::move(FElements);
  FElements.clear();
  FAttributes.clear();
  // gone's elements destroy their subtrees iteratively
}

// --- element: text ---

namespace {

struct TReference {
  const wchar_t* stored;
  size_t len;
  wchar_t ch;
};

// Tried in this order at every "&" or "@".
const TReference kReferences[] = {
    {L"&amp;", 5, L'&'},  {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''}, {L"&lt;", 4, L'<'},
    {L"&gt;", 4, L'>'},   {L"@cr;", 4, L'\r'},  {L"@lf;", 4, L'\n'},   {L"@tab;", 5, L'\t'},
};

}  // namespace

std::wstring TVTXMLElement::Value() const {
  const std::wstring& s = FValue;
  std::wstring r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const wchar_t c = s[i];
    if (c == L'&' || c == L'@') {
      bool matched = false;
      for (const TReference& ref : kReferences) {
        if (s.compare(i, ref.len, ref.stored) == 0) {
          r += ref.ch;
          i += ref.len;
          matched = true;
          break;
        }
      }
      if (matched) continue;
    }
    r += c;
    ++i;
  }
  return r;
}

void TVTXMLElement::SetValue(const std::wstring& value) {
  std::wstring r;
  r.reserve(value.size());
  for (wchar_t c : value) {
    switch (c) {
      case L'\t': r += L"@tab;"; break;
      case L'\n': r += L"@lf;"; break;
      case L'\r': r += L"@cr;"; break;
      case L'"': r += L"&quot;"; break;
      case L'&': r += L"&amp;"; break;
      case L'\'': r += L"&apos;"; break;
      case L'<': r += L"&lt;"; break;
      case L'>': r += L"&gt;"; break;
      default: r += c; break;
    }
  }
  FValue = std::move(r);
}

std::wstring TVTXMLElement::CDATAValue() const { return FCDATA ? FValue : Value(); }

void TVTXMLElement::SetCDATAValue(const std::wstring& value) {
  FCDATA = true;
  FValue = value;
}

int32_t TVTXMLElement::IntegerValue() const {
  int32_t n = 0;
  return vtxml::TryStrToInt32(Value(), n) ? n : 0;
}

void TVTXMLElement::SetIntegerValue(int32_t value) { SetValue(std::to_wstring(value)); }

bool TVTXMLElement::BooleanValue() const {
  const std::wstring v = Value();
  if (v == L"1") return true;
  if (v.size() != 4) return false;
  const wchar_t* t = L"TRUE";
  for (size_t i = 0; i < 4; ++i) {
    wchar_t c = v[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    if (c != t[i]) return false;
  }
  return true;
}

void TVTXMLElement::SetBooleanValue(bool value) { SetValue(value ? L"1" : L"0"); }

// --- element: names ---

std::wstring TVTXMLElement::Name() const {
  if (FName.find(L':') != std::wstring::npos) return FName;
  return FName.substr(0, 255);
}

std::wstring TVTXMLElement::NameSpace() const {
  const size_t colon = FName.find(L':');
  if (colon == std::wstring::npos || colon == 0) return std::wstring();
  return FName.substr(0, colon);
}

// Scans the characters between the first and the last of a start tag's text. An attribute
// value ends at its first blank or "/", quoted or not; the attribute's setter removes double
// quotes only when they enclose the whole value; a name without a value is not stored.
void TVTXMLElement::SetName(const std::wstring& tagText) {
  const size_t n = tagText.size();
  const bool opens = n > 0 && tagText.front() == L'<';
  const bool closes = n > 0 && tagText.back() == L'>';
  if (!opens && !closes) throw EVTXMLParseError("Invalid Element name: " + vtplatform::ToUtf8(tagText));

  enum class TState { Name, AttributeName, AfterName, AttributeValue };
  TState state = TState::Name;
  FName.clear();
  std::wstring attrName, attrValue;
  auto store = [&]() {
    FAttributes.push_back(std::make_unique<TVTXMLAttribute>(attrName, attrValue));
    attrName.clear();
    attrValue.clear();
    state = TState::AttributeName;
  };
  if (n < 3) return;  // nothing between the first and the last character
  const size_t nextToLast = n - 2;
  for (size_t i = 1; i <= nextToLast; ++i) {
    const wchar_t c = tagText[i];
    switch (state) {
      case TState::Name:
        if (c == L' ')
          state = TState::AttributeName;
        else if (!(c == L'/' && i == nextToLast))
          FName += c;
        break;
      case TState::AttributeName:
        if (c == L' ')
          state = TState::AfterName;
        else if (c == L'=')
          state = TState::AttributeValue;
        else
          attrName += c;
        break;
      case TState::AfterName:
        if (c != L' ') {
          state = TState::AttributeValue;
          attrValue.assign(1, c);
        }
        break;
      case TState::AttributeValue:
        if (c == L' ' || c == L'/') {
          store();
        } else {
          attrValue += c;
          if (i == nextToLast) store();
        }
        break;
    }
  }
}

int32_t TVTXMLElement::Level() const {
  int32_t level = 0;
  for (const TVTXMLElement* p = FParent; p; p = p->FParent) ++level;
  return level;
}

// --- element: children and attributes ---

TVTXMLElement* TVTXMLElement::AddElement(std::unique_ptr<TVTXMLElement> newelement) {
  if (!newelement) return nullptr;
  newelement->FParent = this;
  FElements.push_back(std::move(newelement));
  return FElements.back().get();
}

TVTXMLElement* TVTXMLElement::AddFirstElement(std::unique_ptr<TVTXMLElement> newelement) {
  if (!newelement) return nullptr;
  newelement->FParent = this;
  FElements.insert(FElements.begin(), std::move(newelement));
  return FElements.front().get();
}

std::unique_ptr<TVTXMLElement> TVTXMLElement::DeleteElement(int32_t i) {
  if (i < 0 || i >= ElementCount()) return nullptr;
  std::unique_ptr<TVTXMLElement> e = std::move(FElements[static_cast<size_t>(i)]);
  FElements.erase(FElements.begin() + i);
  e->FParent = nullptr;  // the old parent may go before it
  return e;
}

TVTXMLElement* TVTXMLElement::GetElement(int32_t Index) const {
  return (Index >= 0 && Index < ElementCount()) ? FElements[static_cast<size_t>(Index)].get() : nullptr;
}

TVTXMLAttribute* TVTXMLElement::GetAttribute(int32_t Index) const {
  return (Index >= 0 && Index < AttributeCount()) ? FAttributes[static_cast<size_t>(Index)].get() : nullptr;
}

std::wstring TVTXMLElement::GetAttributeValue(const std::wstring& name) const {
  for (const auto& a : FAttributes)
    if (a->Name() == name) return a->Value();
  return std::wstring();
}

void TVTXMLElement::SetAttributeValue(const std::wstring& name, const std::wstring& value) {
  for (auto it = FAttributes.rbegin(); it != FAttributes.rend(); ++it) {
    if ((*it)->Name() == name) {
      (*it)->SetValue(value);
      return;
    }
  }
  auto a = std::make_unique<TVTXMLAttribute>();
  a->SetName(name);
  a->SetValue(value);
  FAttributes.push_back(std::move(a));
}

// --- element: lookup ---

TVTXMLElement* TVTXMLElement::ElementByName(const std::wstring& el, bool addel) {
  int32_t budget = TVTXMLDocument::MaxAddedEntries;
  return ElementByName(el, addel, budget);
}

TVTXMLElement* TVTXMLElement::ElementByName(const std::wstring& el, bool addel, int32_t& budget) {
  if (el.size() >= 2 && el.front() == L'(' && el.back() == L')') {
    const int32_t n = vtxml::StrToInt32(el.substr(1, el.size() - 2));
    if (n < 1) throw EVTArgumentOutOfRange();
    if (n <= ElementCount()) return FElements[static_cast<size_t>(n - 1)].get();
    if (!addel) return nullptr;
    // A crafted index must not make the tree grow without bound.
    if (n - ElementCount() > budget) throw EVTArgumentOutOfRange();
    budget -= n - ElementCount();
    TVTXMLElement* last = nullptr;
    while (ElementCount() < n) {
      auto e = std::make_unique<TVTXMLElement>();
      e->FName = L"Entry";
      last = AddElement(std::move(e));
    }
    return last;
  }
  for (const auto& c : FElements)
    if (c->FName == el) return c.get();
  if (!addel) return nullptr;
  auto e = std::make_unique<TVTXMLElement>();
  e->FName = el;
  return AddElement(std::move(e));
}

TVTXMLElement* TVTXMLElement::SubElement(const std::wstring& Elementid) {
  TVTXMLElement* e = this;
  if (Elementid.empty()) return e;
  size_t start = 0;
  for (;;) {
    const size_t dot = Elementid.find(L'.', start);
    const std::wstring name =
        Elementid.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
    e = e->ElementByName(name, false);
    if (!e || dot == std::wstring::npos) return e;
    start = dot + 1;
  }
}
