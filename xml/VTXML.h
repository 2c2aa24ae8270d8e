// VTXML: the system's own small XML library. A tree of elements with attributes under a
// document, a tolerant incremental tokenizer that builds the tree from text, a writer (plain
// and indented forms, ANSI or UTF-16LE files) and path access with typed values and value
// lists kept most recent first.
//
// The tokenizer is not a conforming XML parser; its rules are the contract (see VTXMLParser.cpp).
// Element text stays in stored (escaped) form and is decoded only by Value(). Carriage return,
// line feed and tab are stored as the private escapes "@cr;", "@lf;" and "@tab;", because the
// tokenizer turns them into blanks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "xml/VTXMLVariant.h"

namespace vtplatform {
class TVTFileStream;
}

// The library's exception: a message text only.
class EVTXMLParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TVTXMLDocument;

class TVTXMLAttribute {
 public:
  TVTXMLAttribute() = default;
  TVTXMLAttribute(const std::wstring& name, const std::wstring& value) : FName(name) { SetValue(value); }

  const std::wstring& Name() const { return FName; }
  void SetName(const std::wstring& name) { FName = name; }
  // The value as stored; never decoded.
  const std::wstring& Value() const { return FValue; }
  // Stores the text; a text of 2 or more characters enclosed in double quotes loses them.
  void SetValue(const std::wstring& value);

 private:
  std::wstring FName;
  std::wstring FValue;
};

class TVTXMLElement {
 public:
  TVTXMLElement() = default;
  // Destroys the whole subtree (without recursion, so any depth is safe).
  ~TVTXMLElement();
  TVTXMLElement(const TVTXMLElement&) = delete;
  TVTXMLElement& operator=(const TVTXMLElement&) = delete;

  // The text, decoded (&amp; &quot; &apos; &lt; &gt; @cr; @lf; @tab;).
  std::wstring Value() const;
  // Encodes the text into the stored form. CDATA() does not change.
  void SetValue(const std::wstring& value);
  // The stored text when CDATA() is true, else Value().
  std::wstring CDATAValue() const;
  // Sets CDATA() and stores the text unchanged.
  void SetCDATAValue(const std::wstring& value);
  // Value() as a signed 32-bit integer (decimal, or hex after "$", "0x", "x"); 0 when it
  // does not convert.
  int32_t IntegerValue() const;
  void SetIntegerValue(int32_t value);
  // True when Value() is "1" or "TRUE" in any letter case.
  bool BooleanValue() const;
  void SetBooleanValue(bool value);

  int32_t ElementCount() const { return static_cast<int32_t>(FElements.size()); }
  int32_t AttributeCount() const { return static_cast<int32_t>(FAttributes.size()); }

  // The whole name when it holds a ":", else its first 255 characters.
  std::wstring Name() const;
  // Parses a start tag's text («<item key="a"/>») into the name and appended attributes;
  // EVTXMLParseError "Invalid Element name: " + text when it neither begins with "<" nor
  // ends with ">".
  void SetName(const std::wstring& tagText);
  // The prefix before the first ":" (when that colon is not the first character), else "".
  std::wstring NameSpace() const;
  const std::wstring& TagName() const { return FName; }
  void SetTagName(const std::wstring& name) { FName = name; }

  // The element and its subtree as text: plain, and indented (2 blanks a level, CR LF).
  std::wstring XML() const;
  std::wstring StructuredXML() const;

  int32_t Level() const;  // number of ancestors
  TVTXMLElement* Parent() const { return FParent; }
  bool CDATA() const { return FCDATA; }
  void SetCDATA(bool value) { FCDATA = value; }

  // The stored (escaped) text, as the parser read it or the setter encoded it.
  const std::wstring& StoredValue() const { return FValue; }
  void SetStoredValue(const std::wstring& value) { FValue = value; }

  // Appends / inserts first a child; ownership passes to this element. Returns the child.
  TVTXMLElement* AddElement(std::unique_ptr<TVTXMLElement> newelement);
  TVTXMLElement* AddFirstElement(std::unique_ptr<TVTXMLElement> newelement);
  // Takes the i-th child out without destroying it; null for an index out of range.
  std::unique_ptr<TVTXMLElement> DeleteElement(int32_t i);
  // Destroys all children and attributes; name, value and CDATA stay.
  void Clear();

  // The child / attribute at Index; null when out of range.
  TVTXMLElement* GetElement(int32_t Index) const;
  TVTXMLAttribute* GetAttribute(int32_t Index) const;
  // The stored value of the first attribute named exactly name; "" when none.
  std::wstring GetAttributeValue(const std::wstring& name) const;
  // Sets the last attribute named name (appending one when none) through its Value setter.
  void SetAttributeValue(const std::wstring& name, const std::wstring& value);

  // "(n)": the n-th child counting from 1 (with addel, "Entry" children are added up to n;
  // n < 1, or more than TVTXMLDocument::MaxAddedEntries to add, raises
  // EVTArgumentOutOfRange, a non-integer EVTConvertError). Otherwise the first child whose
  // stored name equals el exactly, added when missing and addel is true.
  TVTXMLElement* ElementByName(const std::wstring& el, bool addel);
  // Names separated by "." looked up in turn without adding; null when one is missing.
  TVTXMLElement* SubElement(const std::wstring& Elementid);
  // Resolves a path ("a/b(2)/#c", "/x", "../y", "./z") from this element, creating every
  // missing element and setting the "type" attribute of the last one. Never null.
  TVTXMLElement* Path(const std::wstring& xpath);

  std::wstring AsString() const { return Value(); }
  int32_t AsInteger() const { return IntegerValue(); }
  bool AsBoolean() const { return BooleanValue(); }
  int32_t ChildCount() const { return ElementCount(); }

  const std::vector<std::unique_ptr<TVTXMLElement>>& Elements() const { return FElements; }
  const std::vector<std::unique_ptr<TVTXMLAttribute>>& Attributes() const { return FAttributes; }

 private:
  friend class TVTXMLDocument;
  std::wstring FormatXML(bool structured) const;
  // ElementByName with a budget of "Entry" children that "(n)" may still add.
  TVTXMLElement* ElementByName(const std::wstring& el, bool addel, int32_t& budget);

  std::wstring FName;
  std::wstring FValue;
  bool FCDATA = false;
  std::vector<std::unique_ptr<TVTXMLElement>> FElements;
  std::vector<std::unique_ptr<TVTXMLAttribute>> FAttributes;
  TVTXMLElement* FParent = nullptr;  // not owned
};

class TVTXMLDocument {
 public:
  using TInitializationEvent = std::function<void(TVTXMLDocument&)>;

  // Elements nested deeper than this below the root end a parse with EVTXMLParseError
  // "Document nested too deeply: " + name. The indented form grows with the square of the
  // depth, so a small input must not nest without limit.
  static constexpr int32_t MaxParseDepth = 256;
  // One path resolution ("(n)" indexes) may add at most this many "Entry" children.
  static constexpr int32_t MaxAddedEntries = 100000;

  TVTXMLDocument();
  ~TVTXMLDocument();
  TVTXMLDocument(const TVTXMLDocument&) = delete;
  TVTXMLDocument& operator=(const TVTXMLDocument&) = delete;

  // --- tree ---
  TVTXMLElement* RootElement() const { return FRootElement.get(); }
  // Clears the root's children and attributes; its name and value stay.
  void Clear();

  // --- parsing (EVTXMLParseError and stream errors reach the caller) ---
  void ParseFromText(const std::wstring& buffer);
  void ParseFromBuffer(const wchar_t* buffer, size_t buflen);  // UTF-16 code units
  // The rest of the stream, one character per byte (codes 0..255, no code page).
  void ParseFromAnsiStream(vtplatform::TVTFileStream& stream);
  // The rest of the stream as UTF-16LE after a 2-byte mark (read and discarded).
  void ParseFromUnicodeStream(vtplatform::TVTFileStream& stream);
  // Bytes in memory, as ParseFromAnsiStream reads them.
  void ParseFromAnsiBuffer(const uint8_t* data, size_t len);
  // Load a file as ANSI / UTF-16LE; any failure is caught and InitializeXMLDocument runs
  // (FileName() keeps its earlier value). Never fails.
  void LoadStructuredXML(const std::wstring& FileName);
  void LoadUnicodeXML(const std::wstring& FileName);

  // --- text forms and saving ---
  static std::wstring XMLDeclaration();
  std::wstring XML() const;            // declaration + root's plain form
  std::wstring StructuredXML() const;  // declaration, CR LF, root's indented form
  void SetXML(const std::wstring& text) { ParseFromText(text); }
  void SetStructuredXML(const std::wstring& text) { ParseFromText(text); }
  // Sets FileName() first, then writes StructuredXML() in the ANSI code page, no mark.
  void SaveStructuredXML(const std::wstring& FileName);
  void SaveStructuredXML();
  // FF FE, then StructuredXML() as UTF-16LE. FileName() stays.
  void SaveUnicodeXML(const std::wstring& FileName);

  // --- building ---
  // Replaces the whole tree by a new root named tagname; the context returns to the root.
  TVTXMLElement* AddRootTag(const std::wstring& tagname);
  // Appends a child named tagname to parent; with no parent, AddRootTag(tagname).
  TVTXMLElement* AddTag(TVTXMLElement* parent, const std::wstring& tagname);
  TVTXMLElement* AddTagValue(TVTXMLElement* parent, const std::wstring& tagname, const std::wstring& value);
  TVTXMLElement* AddTagValueBoolean(TVTXMLElement* parent, const std::wstring& tagname, bool value);
  TVTXMLElement* AddTagValueInteger(TVTXMLElement* parent, const std::wstring& tagname, int32_t value);
  // Empty root named RootName(), then OnInitialization().
  void InitializeXMLDocument();

  // --- path access (the section is put in front, resolution from the context) ---
  TVTXMLElement* Element(const std::wstring& path);
  int32_t ElementCount(const std::wstring& path);
  std::wstring StringValue(const std::wstring& path);
  int32_t IntegerValue(const std::wstring& path);  // EVTConvertError when not an integer
  bool BooleanValue(const std::wstring& path);     // EVTConvertError when not a Boolean
  TVTVariant GetVariantValue(const std::wstring& path);
  void SetVariantValue(const std::wstring& path, const TVTVariant& value);
  // Value lists: path resolved from the context without the section.
  void SetListValue(const std::wstring& path, int32_t ind, const TVTVariant& value);
  void RemoveListValue(const std::wstring& path, int32_t ind, const TVTVariant& value);
  void SetContext(const std::wstring& path);  // no section; "/" returns to the root
  void ClearElement(const std::wstring& path);
  int32_t RootElementCount();
  std::wstring SectionPath(const std::wstring& path) const;
  TVTXMLElement* Context() const { return FContext; }

  // --- properties ---
  const std::wstring& FileName() const { return FFileName; }
  std::wstring Name() const;  // FileName() without folder and extension
  const std::wstring& RootName() const { return FRootName; }
  void SetRootName(const std::wstring& v) { FRootName = v; }
  const std::wstring& CurrentSection() const { return FCurrentSection; }
  void SetCurrentSection(const std::wstring& v) { FCurrentSection = v; }
  int32_t ListLimit() const { return FListLimit; }
  void SetListLimit(int32_t v) { FListLimit = v; }
  const TInitializationEvent& OnInitialization() const { return FOnInitialization; }
  void SetOnInitialization(TInitializationEvent e) { FOnInitialization = std::move(e); }
  bool Modified() const { return FModified; }
  void SetModified(bool v) { FModified = v; }

 private:
  // Tokenizer.
  void ResetParser();
  void ParseBlock(const wchar_t* p, size_t n);
  void ParseAnsiBlock(const uint8_t* p, size_t n);
  void ProcessToken();
  void FinishParse();
  TVTXMLElement* ResolveFromContext(const std::wstring& path);
  TVTXMLElement* ListElement(const std::wstring& path, int32_t ind);
  // Loads a file with parse; any failure: InitializeXMLDocument.
  void LoadFile(const std::wstring& FileName, void (TVTXMLDocument::*parse)(vtplatform::TVTFileStream&));
  void ContextToRoot();

  std::unique_ptr<TVTXMLElement> FRootElement;
  TVTXMLElement* FCurrentElement = nullptr;  // not owned
  std::wstring FCurrentSection;
  TVTXMLElement* FContext = nullptr;  // not owned
  TInitializationEvent FOnInitialization;
  std::wstring FFileName;
  int32_t FListLimit = 6;
  std::wstring FRootName;
  std::wstring FToken;
  bool FTagOpen = false;
  std::wstring FDelim = L" ";
  bool FModified = false;
  int32_t FDepth = 0;  // open elements below the root during a parse
  std::wstring FBlock;  // conversion buffer of ParseAnsiBlock
};
