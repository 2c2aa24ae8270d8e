// The tolerant tokenizer: which texts it accepts, the tree it builds and the texts it rejects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xml/VTXML.h"

namespace {

std::string Utf8(const std::wstring& s) { return vtplatform::ToUtf8(s); }

// The message of the EVTXMLParseError that parsing text raises; "" when it parses.
std::string ParseError(TVTXMLDocument& doc, const std::wstring& text) {
  try {
    doc.ParseFromText(text);
  } catch (const EVTXMLParseError& e) {
    return e.what();
  }
  return std::string();
}

TVTXMLElement* Child(TVTXMLElement* e, int32_t i) {
  TVTXMLElement* c = e->GetElement(i);
  EXPECT_NE(c, nullptr) << "no child " << i << " of " << Utf8(e->Name());
  return c;
}

}  // namespace

// Values of the root or of its first child after parsing a whole document.
TEST(XMLParser, TextRuns) {
  const struct {
    const wchar_t* input;
    bool ofChild;  // the value of the root's first child, else of the root
    const wchar_t* value;
  } cases[] = {
      // a blank right after a start tag below the root starts the text; trailing blanks go
      {L"<r><a> x </a></r>", true, L" x"},
      // the root never opens a tag for that rule
      {L"<r> x </r>", false, L"x"},
      // carriage return and line feed count as blanks
      {L"<r><a>1\r\n2</a></r>", true, L"1  2"},
      {L"<r><a>1\t2</a></r>", true, L"1 2"},
      // a later text run replaces an earlier one
      {L"<r>x<b/>y</r>", false, L"y"},
      // the comment ends at its first ">"; the rest is text
      {L"<r><!-- a > b --></r>", false, L"b -->"},
      // declarations and comments leave no trace
      {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><!-- note --></r>", false, L""},
      {L"<!DOCTYPE r><r>v</r>", false, L"v"},
      // a quoted run in text keeps "<" and ">" as ordinary characters
      {L"<r><a>say \"<b>\" now</a></r>", true, L"say \"<b>\" now"},
      // a ">" after text is an ordinary character
      {L"<r><a>1 > 0</a></r>", true, L"1 > 0"},
      // stored form: references are decoded only by Value
      {L"<r><a>a &amp; b &lt;c&gt; @tab;</a></r>", true, L"a & b <c> \t"},
  };
  for (const auto& c : cases) {
    TVTXMLDocument doc;
    ASSERT_EQ(ParseError(doc, c.input), "") << Utf8(c.input);
    TVTXMLElement* e = doc.RootElement();
    if (c.ofChild) e = Child(e, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Value(), c.value) << Utf8(c.input);
  }
}

TEST(XMLParser, TreeShape) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<r>x<b/>y</r>");
  EXPECT_EQ(doc.RootElement()->Name(), L"r");
  ASSERT_EQ(doc.RootElement()->ElementCount(), 1);
  EXPECT_EQ(doc.RootElement()->GetElement(0)->Name(), L"b");
  EXPECT_EQ(doc.RootElement()->GetElement(0)->Value(), L"");

  doc.ParseFromText(L"<map><a><b>1</b><c/></a><d>2</d></map>");
  TVTXMLElement* r = doc.RootElement();
  EXPECT_EQ(r->Name(), L"map");
  ASSERT_EQ(r->ElementCount(), 2);
  TVTXMLElement* a = r->GetElement(0);
  ASSERT_EQ(a->ElementCount(), 2);
  EXPECT_EQ(a->GetElement(0)->Value(), L"1");
  EXPECT_EQ(a->GetElement(1)->Name(), L"c");
  EXPECT_EQ(a->GetElement(1)->Parent(), a);
  EXPECT_EQ(a->GetElement(1)->Level(), 2);
  EXPECT_EQ(r->GetElement(1)->Value(), L"2");
  EXPECT_EQ(r->Level(), 0);
  EXPECT_EQ(r->Parent(), nullptr);
  EXPECT_EQ(r->GetElement(2), nullptr);
  EXPECT_EQ(r->GetElement(-1), nullptr);
}

TEST(XMLParser, Errors) {
  const struct {
    const wchar_t* input;
    const char* message;
  } cases[] = {
      // the apostrophe opens a quoted run that swallows the rest
      {L"<r><a>it's</a></r>", "Badly formed document: a"},
      // the outermost element is never self-closing
      {L"<r/>", "Badly formed document: r"},
      {L"<r><a>", "Badly formed document: a"},
      {L"<r><a></b></r>", "unmatched closing tag: </b>"},
      {L"<r></R>", "unmatched closing tag: </R>"},
      // a prefixed element is closed only with its prefix
      {L"<r><x:a></a></r>", "unmatched closing tag: </a>"},
      // an end tag when no element is open
      {L"<r></r></r>", "unmatched closing tag: </r>"},
      {L"</r>", "unmatched closing tag: </r>"},
  };
  for (const auto& c : cases) {
    TVTXMLDocument doc;
    EXPECT_EQ(ParseError(doc, c.input), c.message) << Utf8(c.input);
  }
}

TEST(XMLParser, LongNameWithoutColonCannotBeClosed) {
  const std::wstring name(300, L'n');
  TVTXMLDocument doc;
  EXPECT_EQ(ParseError(doc, L"<r><" + name + L"></" + name + L"></r>"),
            "unmatched closing tag: </" + std::string(300, 'n') + ">");
  // a prefix keeps the whole name
  const std::wstring pname = L"p:" + name;
  EXPECT_EQ(ParseError(doc, L"<r><" + pname + L"></" + pname + L"></r>"), "");
  EXPECT_EQ(doc.RootElement()->GetElement(0)->Name(), pname);
}

TEST(XMLParser, Attributes) {
  const struct {
    const wchar_t* tag;  // a child of the root
    std::vector<std::pair<std::wstring, std::wstring>> attrs;
  } cases[] = {
      {L"<e k=\"1\" j=\"2\"/>", {{L"k", L"1"}, {L"j", L"2"}}},
      {L"<e k=\"1\">", {{L"k", L"1"}}},
      // the value ends at the first blank: the opening quote stays, the b is lost
      {L"<e k=\"a b\"/>", {{L"k", L"\"a"}}},
      // a blank before "=": the value begins with the equals sign and keeps both quotes
      {L"<e a =\"x\"/>", {{L"a", L"=\"x\""}}},
      // apostrophes are never removed
      {L"<e k='v'/>", {{L"k", L"'v'"}}},
      {L"<e k=v/>", {{L"k", L"v"}}},
      // a name without a value is not stored
      {L"<e flag/>", {}},
      // a "/" ends a value
      {L"<e path=\"a/b\"/>", {{L"path", L"\"a"}}},
  };
  for (const auto& c : cases) {
    TVTXMLDocument doc;
    const std::wstring text = std::wstring(L"<r>") + c.tag + (c.tag[wcslen(c.tag) - 2] == L'/' ? L"" : L"</e>") + L"</r>";
    ASSERT_EQ(ParseError(doc, text), "") << Utf8(text);
    TVTXMLElement* e = Child(doc.RootElement(), 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Name(), L"e") << Utf8(c.tag);
    ASSERT_EQ(e->AttributeCount(), static_cast<int32_t>(c.attrs.size())) << Utf8(c.tag);
    for (size_t i = 0; i < c.attrs.size(); ++i) {
      EXPECT_EQ(e->GetAttribute(static_cast<int32_t>(i))->Name(), c.attrs[i].first) << Utf8(c.tag);
      EXPECT_EQ(e->GetAttribute(static_cast<int32_t>(i))->Value(), c.attrs[i].second) << Utf8(c.tag);
    }
  }
}

TEST(XMLParser, TagTextParsing) {
  TVTXMLElement e;
  e.SetName(L"<item key=\"a\" id=\"7\"/>");
  EXPECT_EQ(e.Name(), L"item");
  EXPECT_EQ(e.GetAttributeValue(L"key"), L"a");
  EXPECT_EQ(e.GetAttributeValue(L"id"), L"7");
  EXPECT_EQ(e.GetAttributeValue(L"none"), L"");
  // attributes found are appended to those already there
  e.SetName(L"<other id=\"8\">");
  EXPECT_EQ(e.Name(), L"other");
  EXPECT_EQ(e.AttributeCount(), 3);
  EXPECT_EQ(e.GetAttributeValue(L"id"), L"7");  // the first of that name
  // the first and the last character are skipped whatever they are
  e.SetName(L"<abc");
  EXPECT_EQ(e.Name(), L"ab");
  e.SetName(L"xyz>");
  EXPECT_EQ(e.Name(), L"yz");
  e.SetName(L"<>");
  EXPECT_EQ(e.Name(), L"");
  for (const wchar_t* bad : {L"", L"abc", L"a<b>c"}) {
    try {
      e.SetName(bad);
      ADD_FAILURE() << "accepted " << Utf8(bad);
    } catch (const EVTXMLParseError& x) {
      EXPECT_EQ(std::string(x.what()), "Invalid Element name: " + Utf8(bad));
    }
  }
}

TEST(XMLParser, NamesAndNamespaces) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<x:a></x:a>");
  EXPECT_EQ(doc.RootElement()->Name(), L"x:a");
  EXPECT_EQ(doc.RootElement()->NameSpace(), L"x");
  EXPECT_EQ(doc.RootElement()->TagName(), L"x:a");
  TVTXMLElement e;
  e.SetTagName(L":a");
  EXPECT_EQ(e.NameSpace(), L"");
  e.SetTagName(L"plain");
  EXPECT_EQ(e.NameSpace(), L"");
  e.SetTagName(std::wstring(300, L'z'));
  EXPECT_EQ(e.Name(), std::wstring(255, L'z'));
  EXPECT_EQ(e.TagName().size(), 300u);
}

TEST(XMLParser, CDATA) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<r><![CDATA[x < y & z]]></r>");
  EXPECT_TRUE(doc.RootElement()->CDATA());
  EXPECT_EQ(doc.RootElement()->CDATAValue(), L"x < y & z");
  EXPECT_EQ(doc.RootElement()->Value(), L"x < y & z");

  // the stored text is kept as it is; only Value decodes
  doc.ParseFromText(L"<r><![CDATA[a&amp;b \"q' <t>]]></r>");
  EXPECT_EQ(doc.RootElement()->CDATAValue(), L"a&amp;b \"q' <t>");
  EXPECT_EQ(doc.RootElement()->Value(), L"a&b \"q' <t>");

  TVTXMLDocument fresh;
  fresh.ParseFromText(L"<r><![CDATA[]]></r>");
  EXPECT_FALSE(fresh.RootElement()->CDATA());
  EXPECT_EQ(fresh.RootElement()->Value(), L"");
  // a reused document's root keeps its earlier text and flag when the new one has none
  doc.ParseFromText(L"<r><![CDATA[]]></r>");
  EXPECT_TRUE(doc.RootElement()->CDATA());
}

TEST(XMLParser, EmptyInputKeepsRootNameAndValue) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<r k=\"1\">v<a/></r>");
  doc.ParseFromText(L"");
  EXPECT_EQ(doc.RootElement()->Name(), L"r");
  EXPECT_EQ(doc.RootElement()->Value(), L"v");
  EXPECT_EQ(doc.RootElement()->ElementCount(), 0);
  EXPECT_EQ(doc.RootElement()->AttributeCount(), 0);
}

TEST(XMLParser, SecondOutermostElementIsTakenByTheRoot) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<a><c/></a><b k=\"1\"></b>");
  EXPECT_EQ(doc.RootElement()->Name(), L"b");
  EXPECT_EQ(doc.RootElement()->GetAttributeValue(L"k"), L"1");
  EXPECT_EQ(doc.RootElement()->ElementCount(), 1);
}

TEST(XMLParser, TextOutsideTheOutermostElementIsIgnored) {
  TVTXMLDocument doc;
  // A UTF-8 byte-order mark read one character per byte, text before and after the root.
  const std::string bytes = "\xEF\xBB\xBFjunk<r>v</r>tail";
  doc.ParseFromAnsiBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  EXPECT_EQ(doc.RootElement()->Name(), L"r");
  EXPECT_EQ(doc.RootElement()->Value(), L"v");
  doc.ParseFromText(L"<![CDATA[lost]]><r>v</r>");
  EXPECT_FALSE(doc.RootElement()->CDATA());
  EXPECT_EQ(doc.RootElement()->Value(), L"v");
}

TEST(XMLParser, TokensRunAcrossBlocks) {
  const std::wstring text = L"<r><a k=\"1\">x y</a><![CDATA[c]]><!-- c --><b/></r>";
  TVTXMLDocument whole;
  whole.ParseFromText(text);
  const std::wstring expected = whole.XML();
  // Fed through a stream in blocks of 65,536 bytes, with the split anywhere in the text.
  for (size_t pad = 0; pad < text.size(); ++pad) {
    const std::string bytes = std::string(65536 - pad, ' ') + vtplatform::ToAnsi(text);
    TVTXMLDocument doc;
    doc.ParseFromAnsiBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(doc.XML(), expected) << pad;
  }
}

TEST(XMLParser, AnsiBytesAreCharacterCodes) {
  std::string bytes = "<r>";
  for (int c = 128; c < 256; ++c) bytes += static_cast<char>(c);
  bytes += "</r>";
  TVTXMLDocument doc;
  doc.ParseFromAnsiBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  const std::wstring v = doc.RootElement()->StoredValue();
  ASSERT_EQ(v.size(), 128u);
  for (int c = 128; c < 256; ++c) EXPECT_EQ(static_cast<int>(v[static_cast<size_t>(c - 128)]), c);
}

TEST(XMLParser, StreamsAndFiles) {
  const std::wstring path = vtplatform::TempFileName(L"vtx");
  {
    const std::string bytes = "<?xml version=\"1.0\"?>\r\n<map>\r\n  <e id=\"1\">A</e>\r\n</map>\r\n";
    vtplatform::TVTFileStream out(path, vtplatform::TVTFileStream::TMode::Create);
    out.Write(bytes.data(), bytes.size());
  }
  {
    vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
    TVTXMLDocument doc;
    doc.ParseFromAnsiStream(in);
    EXPECT_EQ(doc.RootElement()->Name(), L"map");
    ASSERT_EQ(doc.RootElement()->ElementCount(), 1);
    EXPECT_EQ(doc.RootElement()->GetElement(0)->GetAttributeValue(L"id"), L"1");
    EXPECT_EQ(doc.RootElement()->GetElement(0)->Value(), L"A");
    // the file name is only taken by a load
    EXPECT_EQ(doc.FileName(), L"");
  }
  {
    // the rest of the stream, from where it stands
    vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
    in.Seek(23);
    TVTXMLDocument doc;
    doc.ParseFromAnsiStream(in);
    EXPECT_EQ(doc.RootElement()->Name(), L"map");
  }
  TVTXMLDocument doc;
  doc.LoadStructuredXML(path);
  EXPECT_EQ(doc.FileName(), path);
  EXPECT_EQ(doc.RootElement()->GetElement(0)->Value(), L"A");
  vtplatform::RemoveFile(path);
}

TEST(XMLParser, UnicodeStream) {
  const std::wstring path = vtplatform::TempFileName(L"vtx");
  {
    // Any two bytes in front, then UTF-16LE, and an odd last byte.
    std::string bytes = "ab";
    for (wchar_t c : std::wstring(L"<r>\x20AC\x00E9</r>")) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    bytes += 'X';
    vtplatform::TVTFileStream out(path, vtplatform::TVTFileStream::TMode::Create);
    out.Write(bytes.data(), bytes.size());
  }
  vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
  TVTXMLDocument doc;
  doc.ParseFromUnicodeStream(in);
  EXPECT_EQ(doc.RootElement()->Name(), L"r");
  EXPECT_EQ(doc.RootElement()->Value(), L"\x20AC\x00E9");
  vtplatform::RemoveFile(path);
}

TEST(XMLParser, FailedLoadInitializesTheDocument) {
  TVTXMLDocument doc;
  doc.SetRootName(L"settings");
  int calls = 0;
  doc.SetOnInitialization([&](TVTXMLDocument& d) {
    ++calls;
    d.AddTag(d.RootElement(), L"default");
  });
  const std::wstring good = vtplatform::TempFileName(L"vtx");
  {
    const std::string bytes = "<cfg>old text<a/></cfg>";
    vtplatform::TVTFileStream out(good, vtplatform::TVTFileStream::TMode::Create);
    out.Write(bytes.data(), bytes.size());
  }
  doc.LoadStructuredXML(good);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(doc.FileName(), good);

  // a missing file: no error, a fresh document, the file name stays
  doc.LoadStructuredXML(good + L".missing");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(doc.FileName(), good);
  EXPECT_EQ(doc.RootElement()->Name(), L"settings");
  // nothing of the earlier document survives, its text included
  EXPECT_EQ(doc.RootElement()->Value(), L"");
  ASSERT_EQ(doc.RootElement()->ElementCount(), 1);
  EXPECT_EQ(doc.RootElement()->GetElement(0)->Name(), L"default");

  // a parse error
  const std::wstring bad = vtplatform::TempFileName(L"vtx");
  {
    const std::string bytes = "<cfg><a></b></cfg>";
    vtplatform::TVTFileStream out(bad, vtplatform::TVTFileStream::TMode::Create);
    out.Write(bytes.data(), bytes.size());
  }
  doc.LoadStructuredXML(bad);
  doc.LoadUnicodeXML(good + L".missing");
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(doc.FileName(), good);
  EXPECT_EQ(doc.RootElement()->Name(), L"settings");
  vtplatform::RemoveFile(good);
  vtplatform::RemoveFile(bad);
}

TEST(XMLParser, DeepNestingIsBounded) {
  const int depth = TVTXMLDocument::MaxParseDepth;
  auto nested = [](int n, bool close) {
    std::wstring t = L"<r>";
    for (int i = 0; i < n; ++i) t += L"<a>";
    if (close)
      for (int i = 0; i < n; ++i) t += L"</a>";
    return t + (close ? L"</r>" : L"");
  };
  {
    TVTXMLDocument doc;
    ASSERT_EQ(ParseError(doc, nested(depth, true)), "");
    // the innermost element is empty and so written self-closing
    std::wstring expected = L"<r>";
    for (int i = 1; i < depth; ++i) expected += L"<a>";
    expected += L"<a/>";
    for (int i = 1; i < depth; ++i) expected += L"</a>";
    expected += L"</r>";
    EXPECT_EQ(doc.RootElement()->XML(), expected);
  }
  {
    // one level more is refused, also when the rest of the input would close it
    TVTXMLDocument doc;
    EXPECT_EQ(ParseError(doc, nested(depth + 1, true)), "Document nested too deeply: a");
    EXPECT_EQ(ParseError(doc, nested(100000, false)), "Document nested too deeply: a");
    // self-closing elements at the deepest level open nothing
    std::wstring t = nested(depth, false) + L"<b/><b/>";
    for (int i = 0; i < depth; ++i) t += L"</a>";
    EXPECT_EQ(ParseError(doc, t + L"</r>"), "");
  }
  // A tree built by hand has no such limit and is written and destroyed without recursion.
  TVTXMLDocument built;
  TVTXMLElement* e = built.AddRootTag(L"r");
  const size_t n = 200000;
  for (size_t i = 0; i < n; ++i) e = built.AddTag(e, L"b");
  EXPECT_EQ(e->Level(), static_cast<int32_t>(n));
  // "<r>", n - 1 times "<b>" and "</b>", "<b/>", "</r>"
  EXPECT_EQ(built.RootElement()->XML().size(), 3 + (n - 1) * 7 + 4 + 4);
}

TEST(XMLParser, ReusedDocumentStartsOver) {
  TVTXMLDocument doc;
  EXPECT_NE(ParseError(doc, L"<r><a>"), "");
  // the failed parse left its part of the tree; the next one starts from nothing
  EXPECT_EQ(doc.RootElement()->ElementCount(), 1);
  doc.ParseFromText(L"<s><b/></s>");
  ASSERT_EQ(doc.RootElement()->ElementCount(), 1);
  EXPECT_EQ(doc.RootElement()->GetElement(0)->Name(), L"b");
  // the same through the XML property
  doc.SetXML(L"<t></t>");
  EXPECT_EQ(doc.RootElement()->Name(), L"t");
  EXPECT_EQ(doc.RootElement()->ElementCount(), 0);
}
