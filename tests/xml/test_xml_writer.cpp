// Stored and decoded values, the two text forms, saving in both encodings, building a tree.
#include <gtest/gtest.h>

#include <string>

#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xml/VTXML.h"

namespace {

std::string ReadAll(const std::wstring& path) {
  vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
  std::string bytes(static_cast<size_t>(in.Size()), '\0');
  if (!bytes.empty()) in.Read(&bytes[0], bytes.size());
  return bytes;
}

const std::wstring kDecl = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

}  // namespace

TEST(XMLValues, EncodingAndDecoding) {
  const struct {
    const wchar_t* text;
    const wchar_t* stored;
  } cases[] = {
      {L"plain", L"plain"},
      {L"a\tb\nc\rd", L"a@tab;b@lf;c@cr;d"},
      {L"\"q\" & 'a' <t>", L"&quot;q&quot; &amp; &apos;a&apos; &lt;t&gt;"},
      // "@" is not escaped: a private escape already in the text reads back as its character
      {L"x@tab;y", L"x@tab;y"},
      {L"mail@host", L"mail@host"},
      {L"&#65;", L"&amp;#65;"},
  };
  for (const auto& c : cases) {
    TVTXMLElement e;
    e.SetValue(c.text);
    EXPECT_EQ(e.StoredValue(), c.stored);
    EXPECT_FALSE(e.CDATA());
  }
  TVTXMLElement e;
  e.SetValue(L"x@tab;y@cr;@lf;");
  EXPECT_EQ(e.Value(), L"x\ty\r\n");
  // what the setter writes the getter reads back
  const std::wstring mixed = L"\t1\r\n\"2\" & <3> '4' @ & @x; &unknown;";
  e.SetValue(mixed);
  EXPECT_EQ(e.Value(), mixed);
  // references not in the table, and numeric ones, stay as they are
  e.SetStoredValue(L"&#65; &nbsp; @@cr; &amp");
  EXPECT_EQ(e.Value(), L"&#65; &nbsp; @\r &amp");
}

TEST(XMLValues, CDATAValue) {
  TVTXMLElement e;
  e.SetCDATAValue(L"a < b & \"c\"");
  EXPECT_TRUE(e.CDATA());
  EXPECT_EQ(e.StoredValue(), L"a < b & \"c\"");
  EXPECT_EQ(e.CDATAValue(), L"a < b & \"c\"");
  // the Value setter does not change the flag
  e.SetValue(L"<x>");
  EXPECT_TRUE(e.CDATA());
  EXPECT_EQ(e.CDATAValue(), L"&lt;x&gt;");
  e.SetCDATA(false);
  EXPECT_EQ(e.CDATAValue(), L"<x>");
}

TEST(XMLValues, IntegerAndBoolean) {
  const struct {
    const wchar_t* text;
    int32_t value;
  } ints[] = {
      {L"42", 42},       {L"  -17", -17},      {L"+5", 5},          {L"$1F", 31},
      {L"0x1f", 31},     {L"X10", 16},         {L"$FFFFFFFF", -1},  {L"2147483647", 2147483647},
      {L"-2147483648", INT32_MIN},              {L"2147483648", 0},  {L"abc", 0},
      {L"", 0},          {L"12 ", 0},          {L"1.5", 0},         {L"$123456789", 0},
  };
  for (const auto& c : ints) {
    TVTXMLElement e;
    e.SetValue(c.text);
    EXPECT_EQ(e.IntegerValue(), c.value) << vtplatform::ToUtf8(c.text);
    EXPECT_EQ(e.AsInteger(), c.value);
  }
  const struct {
    const wchar_t* text;
    bool value;
  } bools[] = {{L"1", true}, {L"TRUE", true}, {L"true", true}, {L"TrUe", true},
               {L"0", false}, {L"2", false}, {L"yes", false}, {L"", false}, {L" true", false}};
  for (const auto& c : bools) {
    TVTXMLElement e;
    e.SetValue(c.text);
    EXPECT_EQ(e.BooleanValue(), c.value) << vtplatform::ToUtf8(c.text);
  }
  TVTXMLElement e;
  e.SetIntegerValue(-12);
  EXPECT_EQ(e.Value(), L"-12");
  e.SetBooleanValue(true);
  EXPECT_EQ(e.Value(), L"1");
  e.SetBooleanValue(false);
  EXPECT_EQ(e.Value(), L"0");
}

TEST(XMLValues, AttributeSetterRemovesEnclosingQuotes) {
  const struct {
    const wchar_t* in;
    const wchar_t* stored;
  } cases[] = {{L"\"v\"", L"v"}, {L"\"\"", L""}, {L"\"", L"\""}, {L"\"a", L"\"a"},
               {L"'v'", L"'v'"}, {L"a\"b\"", L"a\"b\""}, {L"\"\"x\"\"", L"\"x\""}};
  for (const auto& c : cases) {
    TVTXMLAttribute a;
    a.SetValue(c.in);
    EXPECT_EQ(a.Value(), c.stored) << vtplatform::ToUtf8(c.in);
  }
  TVTXMLElement e;
  e.SetAttributeValue(L"k", L"1");
  e.SetAttributeValue(L"j", L"\"2\"");
  EXPECT_EQ(e.AttributeCount(), 2);
  EXPECT_EQ(e.GetAttributeValue(L"j"), L"2");
  // the last attribute of that name is set; the getter reads the first
  e.SetName(L"<e k=\"3\"/>");
  e.SetAttributeValue(L"k", L"4");
  EXPECT_EQ(e.AttributeCount(), 3);
  EXPECT_EQ(e.GetAttribute(0)->Value(), L"1");
  EXPECT_EQ(e.GetAttribute(2)->Value(), L"4");
  EXPECT_EQ(e.GetAttribute(3), nullptr);
  EXPECT_EQ(e.GetAttribute(-1), nullptr);
}

TEST(XMLWriter, DocumentForms) {
  TVTXMLDocument doc;
  TVTXMLElement* r = doc.AddRootTag(L"r");
  TVTXMLElement* a = doc.AddTagValue(r, L"a", L"1");
  a->SetAttributeValue(L"k", L"v");
  EXPECT_EQ(doc.StructuredXML(), kDecl + L"\r\n<r>\r\n  <a k=\"v\">1</a>\r\n</r>\r\n");
  EXPECT_EQ(doc.XML(), kDecl + L"<r><a k=\"v\">1</a></r>");
  EXPECT_EQ(TVTXMLDocument::XMLDeclaration(), kDecl);
}

TEST(XMLWriter, ElementForms) {
  TVTXMLDocument doc;
  TVTXMLElement* r = doc.AddRootTag(L"r");
  TVTXMLElement* list = doc.AddTag(r, L"list");
  list->SetAttributeValue(L"n", L"2");
  list->SetAttributeValue(L"m", L"a b");
  doc.AddTagValue(list, L"e", L"x<y");
  TVTXMLElement* empty = doc.AddTag(list, L"empty");
  empty->SetCDATA(true);  // an empty element is self-closing also with the flag
  TVTXMLElement* cd = doc.AddTag(list, L"cd");
  cd->SetCDATAValue(L"<raw>");
  list->SetValue(L"v");  // a value after the children
  EXPECT_EQ(list->XML(),
            L"<list n=\"2\" m=\"a b\"><e>x&lt;y</e><empty/><cd><![CDATA[<raw>]]></cd>v</list>");
  // indented by the element's level, the value directly in front of the end tag's blanks
  EXPECT_EQ(list->StructuredXML(),
            L"  <list n=\"2\" m=\"a b\">\r\n"
            L"    <e>x&lt;y</e>\r\n"
            L"    <empty/>\r\n"
            L"    <cd><![CDATA[<raw>]]></cd>\r\n"
            L"v  </list>\r\n");
  EXPECT_EQ(empty->XML(), L"<empty/>");
  EXPECT_EQ(empty->StructuredXML(), L"    <empty/>\r\n");
}

TEST(XMLWriter, SaveStructuredAndReload) {
  const std::wstring path = vtplatform::TempFileName(L"vtx");
  TVTXMLDocument doc;
  TVTXMLElement* r = doc.AddRootTag(L"map");
  doc.AddTagValue(r, L"name", L"Caf\x00E9 \x20AC \t<1>");
  doc.AddTagValueInteger(r, L"n", -3);
  doc.AddTagValueBoolean(r, L"b", true);
  doc.SaveStructuredXML(path);
  EXPECT_EQ(doc.FileName(), path);
  // Windows-1252 bytes off Windows, no byte-order mark, declaration all the same
  const std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.substr(0, 5), "<?xml");
  EXPECT_EQ(bytes, vtplatform::ToAnsi(doc.StructuredXML()));
  if (vtplatform::AnsiCodePage() == 1252) {
    EXPECT_NE(bytes.find("Caf\xE9 \x80 @tab;&lt;1&gt;"), std::string::npos);
  }

  TVTXMLDocument back;
  back.LoadStructuredXML(path);
  EXPECT_EQ(back.FileName(), path);
  EXPECT_EQ(back.RootElement()->Name(), L"map");
  ASSERT_EQ(back.RootElement()->ElementCount(), 3);
  EXPECT_EQ(back.RootElement()->GetElement(1)->IntegerValue(), -3);
  EXPECT_TRUE(back.RootElement()->GetElement(2)->BooleanValue());
  if (vtplatform::AnsiCodePage() == 1252) {
    // é survives (code page value = character code); the euro sign comes back as byte 0x80
    EXPECT_EQ(back.RootElement()->GetElement(0)->Value(), L"Caf\x00E9 \x0080 \t<1>");
  }

  // the overload without a name uses the file name
  doc.AddTag(r, L"more");
  doc.SaveStructuredXML();
  EXPECT_EQ(ReadAll(path), vtplatform::ToAnsi(doc.StructuredXML()));
  vtplatform::RemoveFile(path);
}

TEST(XMLWriter, SaveUnicodeAndReload) {
  const std::wstring path = vtplatform::TempFileName(L"vtx");
  TVTXMLDocument doc;
  TVTXMLElement* r = doc.AddRootTag(L"r");
  TVTXMLElement* a = doc.AddTagValue(r, L"a", L"\x20AC\x4E2D line1\r\nline2 & \"q\" 'x'");
  a->SetAttributeValue(L"k", L"\x00E9t\x00E9");
  doc.AddTag(a, L"child")->SetAttributeValue(L"id", L"7");
  doc.AddTagValue(r, L"b", L"");
  doc.SaveUnicodeXML(path);
  EXPECT_EQ(doc.FileName(), L"");  // a Unicode save does not take the name
  const std::string bytes = ReadAll(path);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xFE);
  EXPECT_EQ(bytes[2], '<');
  EXPECT_EQ(bytes[3], '\0');
  EXPECT_EQ(bytes.size(), 2 + 2 * doc.StructuredXML().size());

  TVTXMLDocument back;
  back.LoadUnicodeXML(path);
  EXPECT_EQ(back.FileName(), path);
  EXPECT_EQ(back.XML(), doc.XML());
  EXPECT_EQ(back.RootElement()->GetElement(0)->Value(), L"\x20AC\x4E2D line1\r\nline2 & \"q\" 'x'");
  vtplatform::RemoveFile(path);
}

TEST(XMLWriter, SaveToAnUncreatableFileFails) {
  TVTXMLDocument doc;
  doc.AddRootTag(L"r");
  const std::wstring path = vtplatform::TempFolder() + L"no-such-folder-vtx/x.xml";
  EXPECT_THROW(doc.SaveStructuredXML(path), vtplatform::EVTPlatformError);
  EXPECT_EQ(doc.FileName(), path);  // taken before the file was tried
  EXPECT_THROW(doc.SaveUnicodeXML(path), vtplatform::EVTPlatformError);
}

TEST(XMLWriter, Building) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<old><x/></old>");
  TVTXMLElement* r = doc.AddTag(nullptr, L"root");  // no parent: a new root
  EXPECT_EQ(doc.RootElement(), r);
  EXPECT_EQ(r->Name(), L"root");
  EXPECT_EQ(r->ElementCount(), 0);
  // tag names are taken as they are, not parsed as tag text
  TVTXMLElement* odd = doc.AddTag(r, L"a b=\"1\"");
  EXPECT_EQ(odd->TagName(), L"a b=\"1\"");
  EXPECT_EQ(odd->AttributeCount(), 0);
  TVTXMLElement* v = doc.AddTagValue(nullptr, L"r2", L"ignored");
  EXPECT_EQ(v, doc.RootElement());
  EXPECT_EQ(v->Value(), L"");
  EXPECT_EQ(doc.AddTagValueInteger(v, L"i", 2147483647)->Value(), L"2147483647");
  EXPECT_EQ(doc.AddTagValueBoolean(v, L"f", false)->Value(), L"0");
}

TEST(XMLWriter, ChildListOperations) {
  TVTXMLElement e;
  TVTXMLElement* a = e.AddElement(std::make_unique<TVTXMLElement>());
  a->SetTagName(L"a");
  TVTXMLElement* b = e.AddFirstElement(std::make_unique<TVTXMLElement>());
  b->SetTagName(L"b");
  EXPECT_EQ(e.GetElement(0), b);
  EXPECT_EQ(b->Parent(), &e);
  EXPECT_EQ(e.DeleteElement(2), nullptr);
  EXPECT_EQ(e.DeleteElement(-1), nullptr);
  std::unique_ptr<TVTXMLElement> taken = e.DeleteElement(0);
  EXPECT_EQ(taken.get(), b);
  EXPECT_EQ(taken->Parent(), nullptr);
  EXPECT_EQ(e.ElementCount(), 1);
  e.SetValue(L"v");
  e.SetCDATA(true);
  e.SetAttributeValue(L"k", L"1");
  e.Clear();
  EXPECT_EQ(e.ElementCount(), 0);
  EXPECT_EQ(e.AttributeCount(), 0);
  EXPECT_EQ(e.StoredValue(), L"v");
  EXPECT_TRUE(e.CDATA());

  // lookup by name and by position
  TVTXMLElement p;
  EXPECT_EQ(p.ElementByName(L"x", false), nullptr);
  TVTXMLElement* x = p.ElementByName(L"x", true);
  EXPECT_EQ(p.ElementByName(L"x", true), x);
  EXPECT_EQ(p.ElementByName(L"X", false), nullptr);  // letter case counts
  TVTXMLElement* third = p.ElementByName(L"(3)", true);
  ASSERT_EQ(p.ElementCount(), 3);
  EXPECT_EQ(p.GetElement(1)->Name(), L"Entry");
  EXPECT_EQ(third, p.GetElement(2));
  EXPECT_EQ(third->Name(), L"Entry");
  EXPECT_EQ(p.ElementByName(L"(1)", false), x);
  EXPECT_EQ(p.ElementByName(L"(4)", false), nullptr);
  EXPECT_EQ(p.ElementByName(L"($2)", false), p.GetElement(1));
  EXPECT_THROW(p.ElementByName(L"(0)", true), EVTArgumentOutOfRange);
  EXPECT_THROW(p.ElementByName(L"(-1)", false), EVTArgumentOutOfRange);
  EXPECT_THROW(p.ElementByName(L"(x)", true), EVTConvertError);
  EXPECT_THROW(p.ElementByName(L"()", true), EVTConvertError);
  // a crafted index cannot grow the tree without bound
  EXPECT_THROW(p.ElementByName(L"(2147483647)", true), EVTArgumentOutOfRange);
  EXPECT_EQ(p.ElementCount(), 3);
  try {
    p.ElementByName(L"(0)", true);
  } catch (const std::exception& ex) {
    EXPECT_STREQ(ex.what(), "Argument out of range");
  }
}

TEST(XMLWriter, SubElement) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<r><a><b><c>1</c></b></a><a.b/></r>");
  TVTXMLElement* r = doc.RootElement();
  EXPECT_EQ(r->SubElement(L""), r);
  ASSERT_NE(r->SubElement(L"a.b.c"), nullptr);
  EXPECT_EQ(r->SubElement(L"a.b.c")->Value(), L"1");
  EXPECT_EQ(r->SubElement(L"a.x.c"), nullptr);
  EXPECT_EQ(r->SubElement(L"a.b.c.d"), nullptr);
  EXPECT_EQ(r->SubElement(L"(1).(1)"), r->GetElement(0)->GetElement(0));
  EXPECT_EQ(r->ElementCount(), 2);  // nothing was added
}

TEST(XMLDocument, NameAndProperties) {
  TVTXMLDocument doc;
  EXPECT_EQ(doc.Name(), L"");
  EXPECT_EQ(doc.ListLimit(), 6);
  EXPECT_FALSE(doc.Modified());
  const std::wstring path = vtplatform::JoinPath(vtplatform::TempFolder(), L"table.v2.ilm");
  doc.AddRootTag(L"t");
  doc.SaveStructuredXML(path);
  EXPECT_EQ(doc.Name(), L"table.v2");
  EXPECT_FALSE(doc.Modified());  // no operation touches the flag
  doc.SetModified(true);
  doc.ParseFromText(L"<a></a>");
  EXPECT_TRUE(doc.Modified());
  vtplatform::RemoveFile(path);
}

TEST(XMLDocument, InitializeXMLDocument) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<old k=\"1\">text<a/></old>");
  doc.SetRootName(L"fresh");
  doc.InitializeXMLDocument();  // no callback set
  EXPECT_EQ(doc.RootElement()->Name(), L"fresh");
  EXPECT_EQ(doc.RootElement()->ElementCount(), 0);
  EXPECT_EQ(doc.RootElement()->AttributeCount(), 0);
  EXPECT_EQ(doc.XML(), kDecl + L"<fresh/>");
  doc.SetRootName(L"");
  doc.InitializeXMLDocument();
  EXPECT_EQ(doc.RootElement()->Name(), L"");
}
