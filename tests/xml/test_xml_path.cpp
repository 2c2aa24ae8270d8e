// Path resolution, typed reads and writes, sections, the context and value lists.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "platform/VTPlatform.h"
#include "xml/VTXML.h"

namespace {

std::string Utf8(const std::wstring& s) { return vtplatform::ToUtf8(s); }

// The root's plain form without the declaration: the tree in one line.
std::wstring Tree(const TVTXMLDocument& doc) { return doc.RootElement()->XML(); }

}  // namespace

// Each path resolved on a fresh document with the root r: the tree it leaves and the name of
// the element it yields.
TEST(XMLPath, ResolutionBuildsTheTree) {
  const struct {
    const wchar_t* path;
    const wchar_t* tree;
    const wchar_t* yields;
  } cases[] = {
      {L"", L"<r/>", L"r"},
      {L"a", L"<r><a type=\"string\"/></r>", L"a"},
      {L"a/b", L"<r><a><b type=\"string\"/></a></r>", L"b"},
      // the root's own name is not part of a path
      {L"/Font/Size", L"<r><Font><Size type=\"string\"/></Font></r>", L"Size"},
      {L"//a", L"<r><a type=\"string\"/></r>", L"a"},
      {L"./a", L"<r><a type=\"string\"/></r>", L"a"},
      // "../" at the root stays at the root
      {L"../a", L"<r><a type=\"string\"/></r>", L"a"},
      {L"a/../b", L"<r><a/><b type=\"string\"/></r>", L"b"},
      {L"a/./b", L"<r><a><b type=\"string\"/></a></r>", L"b"},
      // "/" inside a path goes back to the root
      {L"a//b", L"<r><a/><b type=\"string\"/></r>", L"b"},
      {L"#n", L"<r><n type=\"int\">0</n></r>", L"n"},
      {L"@f", L"<r><f type=\"bool\"/></r>", L"f"},
      {L"$s", L"<r><s type=\"string\"/></r>", L"s"},
      // a mark alone is a name
      {L"#", L"<r><# type=\"string\"/></r>", L"#"},
      // marks only on the last segment
      {L"#a/b", L"<r><#a><b type=\"string\"/></#a></r>", L"b"},
      {L"a(3)", L"<r><a><Entry/><Entry/><Entry type=\"string\"/></a></r>", L"Entry"},
      {L"a(2)/x", L"<r><a><Entry/><Entry><x type=\"string\"/></Entry></a></r>", L"x"},
      {L"(2)", L"<r><Entry/><Entry type=\"string\"/></r>", L"Entry"},
      {L"(1)/#v", L"<r><Entry><v type=\"int\">0</v></Entry></r>", L"v"},
      // a "(" after the mark makes the mark a name of its own
      {L"a/#(1)", L"<r><a><#><Entry type=\"string\"/></#></a></r>", L"Entry"},
      {L"#(1)", L"<r><#><Entry type=\"string\"/></#></r>", L"Entry"},
      // no closing parenthesis: a plain name
      {L"a(2", L"<r><a(2 type=\"string\"/></r>", L"a(2"},
      {L"a/", L"<r><a/></r>", L"a"},
  };
  for (const auto& c : cases) {
    TVTXMLDocument doc;
    doc.AddRootTag(L"r");
    TVTXMLElement* e = doc.RootElement()->Path(c.path);
    ASSERT_NE(e, nullptr) << Utf8(c.path);
    EXPECT_EQ(e->TagName(), c.yields) << Utf8(c.path);
    EXPECT_EQ(Tree(doc), c.tree) << Utf8(c.path);
    // a second resolution finds the same element and adds nothing
    if (std::wstring(c.path).find(L"../") == std::wstring::npos &&
        std::wstring(c.path).find(L"//") == std::wstring::npos) {
      EXPECT_EQ(doc.RootElement()->Path(c.path), e) << Utf8(c.path);
      EXPECT_EQ(Tree(doc), c.tree) << Utf8(c.path);
    }
  }
}

TEST(XMLPath, ResolutionFromAnInnerElement) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<r><a><b><c/></b></a></r>");
  TVTXMLElement* b = doc.RootElement()->Path(L"a/b");
  EXPECT_EQ(b->Path(L"c"), b->GetElement(0));
  EXPECT_EQ(b->Path(L"../x")->Parent(), doc.RootElement()->GetElement(0));
  EXPECT_EQ(b->Path(L"../../y")->Parent(), doc.RootElement());
  EXPECT_EQ(b->Path(L"/z")->Parent(), doc.RootElement());
  EXPECT_EQ(b->Path(L""), b);
}

TEST(XMLPath, HashMarkMakesTheValueDigits) {
  const struct {
    const wchar_t* stored;
    const wchar_t* after;
  } cases[] = {{L"42", L"42"}, {L"-5", L"0"}, {L"", L"0"}, {L" 1", L"0"}, {L"abc", L"0"}, {L"007", L"007"}};
  for (const auto& c : cases) {
    TVTXMLDocument doc;
    doc.AddTagValue(doc.AddRootTag(L"r"), L"count", c.stored);
    doc.RootElement()->Path(L"#count");
    EXPECT_EQ(doc.RootElement()->GetElement(0)->StoredValue(), c.after) << Utf8(c.stored);
  }
}

TEST(XMLPath, IndexErrorsAndBounds) {
  TVTXMLDocument doc;
  TVTXMLElement* r = doc.AddRootTag(L"r");
  EXPECT_THROW(r->Path(L"a(0)"), EVTArgumentOutOfRange);
  EXPECT_THROW(r->Path(L"a(-2)/b"), EVTArgumentOutOfRange);
  EXPECT_THROW(r->Path(L"a(x)"), EVTConvertError);
  // a crafted path cannot add more entries than the bound, in one index or in many
  EXPECT_THROW(r->Path(L"a(2147483647)"), EVTArgumentOutOfRange);
  std::wstring many;
  for (int i = 0; i < 20; ++i) many += L"(60000)/";
  EXPECT_THROW(r->Path(many + L"x"), EVTArgumentOutOfRange);
  int64_t total = 0;
  std::vector<const TVTXMLElement*> work{r};
  while (!work.empty()) {
    const TVTXMLElement* e = work.back();
    work.pop_back();
    total += e->ElementCount();
    for (const auto& c : e->Elements()) work.push_back(c.get());
  }
  EXPECT_LE(total, TVTXMLDocument::MaxAddedEntries + 10);

  // a very long path: each remainder is cut to 9,999 characters
  TVTXMLDocument longDoc;
  std::wstring deep;
  for (int i = 0; i < 6000; ++i) deep += L"a/";  // 12,000 characters
  TVTXMLElement* last = longDoc.AddRootTag(L"r")->Path(deep + L"end");
  // the first segment, then 9,999 characters: 4,999 more "a" and a cut-off "a"
  EXPECT_EQ(last->Level(), 1 + 4999 + 1);
  EXPECT_EQ(last->TagName(), L"a");
}

TEST(XMLPath, StringIntegerBooleanReads) {
  TVTXMLDocument doc;
  EXPECT_EQ(doc.StringValue(L"a/b"), L"");
  ASSERT_EQ(doc.RootElement()->ElementCount(), 1);
  TVTXMLElement* a = doc.RootElement()->GetElement(0);
  EXPECT_EQ(a->TagName(), L"a");
  EXPECT_EQ(a->AttributeCount(), 0);
  ASSERT_EQ(a->ElementCount(), 1);
  EXPECT_EQ(a->GetElement(0)->GetAttributeValue(L"type"), L"string");

  doc.Element(L"n")->SetValue(L"$10");
  EXPECT_EQ(doc.IntegerValue(L"n"), 16);
  doc.Element(L"n")->SetValue(L"ten");
  try {
    doc.IntegerValue(L"n");
    ADD_FAILURE();
  } catch (const EVTConvertError& e) {
    EXPECT_STREQ(e.what(), "'ten' is not a valid integer value");
  }
  const struct {
    const wchar_t* stored;
    bool value;
  } bools[] = {{L"True", true}, {L"FALSE", false}, {L"tRuE", true}, {L"1", true}, {L"0", false}, {L"-3", true}};
  for (const auto& c : bools) {
    doc.Element(L"f")->SetValue(c.stored);
    EXPECT_EQ(doc.BooleanValue(L"f"), c.value) << Utf8(c.stored);
  }
  doc.Element(L"f")->SetValue(L"yes");
  try {
    doc.BooleanValue(L"f");
    ADD_FAILURE();
  } catch (const EVTConvertError& e) {
    EXPECT_STREQ(e.what(), "'yes' is not a valid boolean value");
  }
  doc.Element(L"list/(3)");
  EXPECT_EQ(doc.ElementCount(L"list"), 3);
}

TEST(XMLPath, VariantReads) {
  TVTXMLDocument doc;
  doc.Element(L"count")->SetValue(L"-5");
  TVTVariant v = doc.GetVariantValue(L"#count");
  EXPECT_EQ(v.Kind(), TVTVariant::TKind::Int32);
  EXPECT_EQ(v.AsInteger(), 0);
  EXPECT_EQ(doc.Element(L"count")->StoredValue(), L"0");

  doc.Element(L"flag")->SetValue(L"TRUE");
  v = doc.GetVariantValue(L"@flag");
  EXPECT_TRUE(v.IsBoolean());
  EXPECT_FALSE(v.AsBoolean());  // only "1" or exactly "True"
  EXPECT_TRUE(doc.BooleanValue(L"@flag"));
  doc.Element(L"flag")->SetValue(L"True");
  EXPECT_TRUE(doc.GetVariantValue(L"@flag").AsBoolean());
  doc.Element(L"flag")->SetValue(L"1");
  EXPECT_TRUE(doc.GetVariantValue(L"@flag").AsBoolean());

  doc.Element(L"s")->SetValue(L"12");
  v = doc.GetVariantValue(L"s");
  EXPECT_TRUE(v.IsString());
  EXPECT_EQ(v.AsString(), L"12");
  EXPECT_TRUE(doc.GetVariantValue(L"$s").IsString());

  doc.Element(L"big")->SetValue(L"99999999999");
  EXPECT_THROW(doc.GetVariantValue(L"#big"), EVTConvertError);

  doc.Element(L"Recent/(4)");
  v = doc.GetVariantValue(L"Recent.COUNT");
  EXPECT_EQ(v.Kind(), TVTVariant::TKind::Int32);
  EXPECT_EQ(v.AsInteger(), 4);
  EXPECT_EQ(doc.GetVariantValue(L"recent.count").AsInteger(), 0);  // names keep their case
  EXPECT_EQ(doc.GetVariantValue(L"Recent.Count").AsInteger(), 4);
}

TEST(XMLPath, VariantWrites) {
  TVTXMLDocument doc;
  doc.SetVariantValue(L"x", TVTVariant(42));
  EXPECT_EQ(doc.Element(L"x")->StoredValue(), L"42");
  EXPECT_EQ(doc.RootElement()->GetElement(0)->GetAttributeValue(L"type"), L"string");  // read just now
  doc.SetVariantValue(L"x", TVTVariant(42));
  EXPECT_EQ(doc.RootElement()->GetElement(0)->GetAttributeValue(L"type"), L"int");
  EXPECT_EQ(doc.GetVariantValue(L"#x").AsInteger(), 42);

  doc.SetVariantValue(L"#y", TVTVariant(L"abc"));
  TVTXMLElement* y = doc.RootElement()->GetElement(1);
  EXPECT_EQ(y->StoredValue(), L"abc");
  EXPECT_EQ(y->GetAttributeValue(L"type"), L"string");
  EXPECT_EQ(y->AttributeCount(), 1);

  const struct {
    TVTVariant value;
    const wchar_t* stored;
    const wchar_t* type;
  } cases[] = {
      {TVTVariant(true), L"True", L"bool"},
      {TVTVariant(false), L"False", L"bool"},
      {TVTVariant(-7), L"-7", L"int"},
      {TVTVariant::FromUInt8(200), L"200", L"int"},
      {TVTVariant::FromUInt16(65535), L"65535", L"int"},
      {TVTVariant::FromUInt32(4000000000u), L"4000000000", L"int"},
      {TVTVariant::FromInt8(-8), L"-8", L"string"},
      {TVTVariant::FromInt16(-16), L"-16", L"string"},
      {TVTVariant::FromInt64(-5000000000LL), L"-5000000000", L"string"},
      {TVTVariant::FromUInt64(18446744073709551615ull), L"18446744073709551615", L"string"},
      {TVTVariant::FromDouble(2.5), L"2.5", L"string"},
      {TVTVariant(L"a<b>\t\"c\""), L"a&lt;b&gt;@tab;&quot;c&quot;", L"string"},  // escaped
      {TVTVariant(), L"", L"string"},
  };
  for (const auto& c : cases) {
    TVTXMLDocument d;
    d.SetVariantValue(L"v", c.value);
    TVTXMLElement* e = d.RootElement()->GetElement(0);
    EXPECT_EQ(e->StoredValue(), c.stored) << Utf8(c.stored);
    EXPECT_EQ(e->GetAttributeValue(L"type"), c.type) << Utf8(c.stored);
  }
  // the Boolean written reads back through the "@" mark
  doc.SetVariantValue(L"b", TVTVariant(true));
  EXPECT_TRUE(doc.GetVariantValue(L"@b").AsBoolean());
}

TEST(XMLPath, Sections) {
  TVTXMLDocument doc;
  EXPECT_EQ(doc.SectionPath(L"Font/Size"), L"Font/Size");
  doc.SetCurrentSection(L"Main");
  EXPECT_EQ(doc.SectionPath(L"Font/Size"), L"/Main/Font/Size");
  EXPECT_EQ(doc.SectionPath(L"/Other"), L"/Other");
  EXPECT_EQ(doc.SectionPath(L""), L"");
  doc.SetVariantValue(L"Font/Size", TVTVariant(10));
  doc.SetVariantValue(L"/Top", TVTVariant(L"t"));
  // the new document's root has an empty name
  EXPECT_EQ(Tree(doc), L"<><Main><Font><Size type=\"int\">10</Size></Font></Main><Top type=\"string\">t</Top></>");
  EXPECT_EQ(doc.IntegerValue(L"Font/Size"), 10);
  // lists through the suffix carry the section as well
  doc.SetVariantValue(L"Recent.LIST", TVTVariant(L"f1"));
  EXPECT_EQ(doc.RootElement()->Path(L"Main/Recent")->ElementCount(), 1);
  EXPECT_EQ(doc.GetVariantValue(L"Recent.COUNT").AsInteger(), 1);
}

TEST(XMLPath, Context) {
  TVTXMLDocument doc;
  doc.AddRootTag(L"r");
  EXPECT_EQ(doc.Context(), nullptr);
  EXPECT_EQ(doc.RootElementCount(), 0);
  EXPECT_EQ(doc.Context(), doc.RootElement());
  doc.SetCurrentSection(L"ignored");
  doc.SetContext(L"a/b");  // no section in front
  TVTXMLElement* b = doc.RootElement()->Path(L"a/b");
  EXPECT_EQ(doc.Context(), b);
  doc.SetCurrentSection(L"");
  doc.SetVariantValue(L"c", TVTVariant(1));
  EXPECT_EQ(b->ElementCount(), 1);
  EXPECT_EQ(doc.RootElementCount(), 1);
  EXPECT_EQ(doc.StringValue(L"../b/c"), L"1");
  doc.SetContext(L"/");
  EXPECT_EQ(doc.Context(), doc.RootElement());

  // replacing the tree sends the context back to the new root
  doc.SetContext(L"a/b");
  TVTXMLElement* root = doc.AddRootTag(L"n");
  EXPECT_EQ(doc.Context(), nullptr);
  doc.SetVariantValue(L"x", TVTVariant(2));
  EXPECT_EQ(root->ElementCount(), 1);

  // so does a parse, which destroys the old tree below the root
  doc.SetContext(L"x");
  doc.ParseFromText(L"<p><q/></p>");
  EXPECT_EQ(doc.StringValue(L"q"), L"");
  EXPECT_EQ(doc.RootElement()->ElementCount(), 1);

  // clearing an element above the context moves the context to the cleared element
  doc.SetContext(L"q/w/e");
  doc.ClearElement(L"/q");
  EXPECT_EQ(doc.Context(), doc.RootElement()->GetElement(0));
  EXPECT_EQ(doc.RootElementCount(), 0);
  doc.Element(L"z");
  EXPECT_EQ(doc.RootElement()->GetElement(0)->ElementCount(), 1);
}

TEST(XMLPath, ClearElement) {
  TVTXMLDocument doc;
  doc.ParseFromText(L"<r><a k=\"1\">v<b/><c/></a></r>");
  doc.ClearElement(L"a");
  TVTXMLElement* a = doc.RootElement()->GetElement(0);
  EXPECT_EQ(a->ElementCount(), 0);
  EXPECT_EQ(a->AttributeCount(), 0);  // the type attribute set by the resolution goes too
  EXPECT_EQ(a->Value(), L"v");
}

TEST(XMLLists, MostRecentFirst) {
  TVTXMLDocument doc;
  for (int i = 1; i <= 7; ++i) doc.SetVariantValue(L"Recent.LIST", TVTVariant(L"f" + std::to_wstring(i)));
  TVTXMLElement* list = doc.RootElement()->GetElement(0);
  ASSERT_EQ(list->ElementCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(list->GetElement(i)->Value(), L"f" + std::to_wstring(7 - i));
    EXPECT_EQ(list->GetElement(i)->TagName(), L"Entry");
    EXPECT_EQ(list->GetElement(i)->GetAttributeValue(L"type"), L"string");
  }
  EXPECT_EQ(doc.GetVariantValue(L"Recent.COUNT").AsInteger(), 6);

  // adding one again moves it to the front
  doc.SetVariantValue(L"Recent.list", TVTVariant(L"f4"));
  ASSERT_EQ(list->ElementCount(), 6);
  const wchar_t* order[] = {L"f4", L"f7", L"f6", L"f5", L"f3", L"f2"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->GetElement(i)->Value(), order[i]);

  // removing: the value must match; a value not in the list removes nothing
  doc.SetVariantValue(L"Recent.REMOVE", TVTVariant(L"nothere"));
  EXPECT_EQ(list->ElementCount(), 6);
  doc.SetVariantValue(L"Recent.Remove", TVTVariant(L"f6"));
  ASSERT_EQ(list->ElementCount(), 5);
  EXPECT_EQ(list->GetElement(2)->Value(), L"f5");
}

TEST(XMLLists, TypesIndexesAndLimits) {
  TVTXMLDocument doc;
  doc.SetListValue(L"Nums", 0, TVTVariant(true));
  doc.SetListValue(L"Nums", 0, TVTVariant(5));
  doc.SetListValue(L"Nums", 0, TVTVariant::FromUInt8(9));
  TVTXMLElement* nums = doc.RootElement()->GetElement(0);
  ASSERT_EQ(nums->ElementCount(), 3);
  EXPECT_EQ(nums->GetElement(0)->GetAttributeValue(L"type"), L"string");  // only Int32 is "int"
  EXPECT_EQ(nums->GetElement(1)->GetAttributeValue(L"type"), L"int");
  EXPECT_EQ(nums->GetElement(2)->GetAttributeValue(L"type"), L"bool");
  EXPECT_EQ(nums->GetElement(2)->StoredValue(), L"True");
  // a number matches its text, and the entry takes the new value's type
  doc.SetListValue(L"Nums", 0, TVTVariant(L"5"));
  ASSERT_EQ(nums->ElementCount(), 3);
  EXPECT_EQ(nums->GetElement(0)->StoredValue(), L"5");
  EXPECT_EQ(nums->GetElement(0)->GetAttributeValue(L"type"), L"string");
  EXPECT_EQ(nums->GetElement(1)->StoredValue(), L"9");
  // texts compare exactly
  doc.SetListValue(L"Nums", 0, TVTVariant(L"true"));
  EXPECT_EQ(nums->ElementCount(), 4);
  doc.RemoveListValue(L"Nums", 0, TVTVariant(L"true"));
  EXPECT_EQ(nums->ElementCount(), 3);
  doc.RemoveListValue(L"Nums", 0, TVTVariant(5));
  EXPECT_EQ(nums->ElementCount(), 2);

  // an index is appended to the name
  doc.SetListValue(L"Recent", 2, TVTVariant(L"x"));
  ASSERT_NE(doc.RootElement()->ElementByName(L"Recent2", false), nullptr);
  EXPECT_EQ(doc.RootElement()->ElementByName(L"Recent", false), nullptr);

  // values are stored without escaping, so an apostrophe breaks a reload
  doc.SetListValue(L"Names", 0, TVTVariant(L"it's"));
  TVTXMLElement* names = doc.RootElement()->ElementByName(L"Names", false);
  EXPECT_EQ(names->GetElement(0)->StoredValue(), L"it's");
  TVTXMLDocument back;
  EXPECT_THROW(back.ParseFromText(doc.XML()), EVTXMLParseError);

  // a limit below one still keeps the entry just added
  doc.SetListLimit(0);
  doc.SetListValue(L"Tiny", 0, TVTVariant(L"a"));
  doc.SetListValue(L"Tiny", 0, TVTVariant(L"b"));
  TVTXMLElement* tiny = doc.RootElement()->ElementByName(L"Tiny", false);
  ASSERT_EQ(tiny->ElementCount(), 1);
  EXPECT_EQ(tiny->GetElement(0)->StoredValue(), L"b");
  doc.SetListLimit(2);
  for (const wchar_t* s : {L"c", L"d", L"e"}) doc.SetListValue(L"Tiny", 0, TVTVariant(s));
  EXPECT_EQ(tiny->ElementCount(), 2);
  EXPECT_EQ(tiny->GetElement(0)->StoredValue(), L"e");
}

TEST(XMLLists, ContextInsideARemovedEntry) {
  TVTXMLDocument doc;
  doc.SetListLimit(2);
  doc.SetListValue(L"L", 0, TVTVariant(L"a"));
  doc.SetListValue(L"L", 0, TVTVariant(L"b"));
  doc.SetContext(L"L/(2)/inner");  // the entry "a"
  // the entry with the context goes when the list overflows
  doc.SetListValue(L"/L", 0, TVTVariant(L"c"));
  TVTXMLElement* list = doc.RootElement()->GetElement(0);
  EXPECT_EQ(doc.Context(), list);
  EXPECT_EQ(doc.RootElementCount(), 2);
  doc.SetContext(L"(1)");
  doc.RemoveListValue(L"/L", 0, TVTVariant(L"c"));
  EXPECT_EQ(doc.Context(), list);
  EXPECT_EQ(doc.RootElementCount(), 1);
}

TEST(XMLLists, UnicodeRoundTripKeepsElementsAttributesValues) {
  const std::wstring path = vtplatform::TempFileName(L"vtx");
  TVTXMLDocument doc;
  doc.SetRootName(L"settings");
  doc.InitializeXMLDocument();
  doc.SetCurrentSection(L"View");
  doc.SetVariantValue(L"Font/Name", TVTVariant(L"Inconsolata \x2013 \x00E9"));
  doc.SetVariantValue(L"Font/Size", TVTVariant(12));
  doc.SetVariantValue(L"Wrap", TVTVariant(true));
  doc.SetVariantValue(L"Path", TVTVariant(L"C:\\a\tb\r\n\"q\"&<>"));
  doc.SaveUnicodeXML(path);
  TVTXMLDocument back;
  back.LoadUnicodeXML(path);
  EXPECT_EQ(back.XML(), doc.XML());
  back.SetCurrentSection(L"View");
  EXPECT_EQ(back.StringValue(L"Font/Name"), L"Inconsolata \x2013 \x00E9");
  EXPECT_EQ(back.GetVariantValue(L"Font/#Size").AsInteger(), 12);
  EXPECT_TRUE(back.GetVariantValue(L"@Wrap").AsBoolean());
  EXPECT_EQ(back.StringValue(L"Path"), L"C:\\a\tb\r\n\"q\"&<>");
  vtplatform::RemoveFile(path);
}

// A narrow literal or an element pointer must not turn into a Boolean.
static_assert(!std::is_constructible<TVTVariant, const char*>::value, "narrow text");
static_assert(!std::is_constructible<TVTVariant, TVTXMLElement*>::value, "pointer");
static_assert(std::is_constructible<TVTVariant, const wchar_t*>::value, "wide text");

TEST(XMLVariant, ConversionsAndEquality) {
  EXPECT_EQ(TVTVariant(L"7"), TVTVariant(7));
  EXPECT_EQ(TVTVariant(L" 07"), TVTVariant(7));
  EXPECT_NE(TVTVariant(L"abc"), TVTVariant(7));  // not convertible: unequal, no error
  EXPECT_NE(TVTVariant(L"a"), TVTVariant(L"A"));
  EXPECT_EQ(TVTVariant(L"true"), TVTVariant(true));
  EXPECT_EQ(TVTVariant(L"1"), TVTVariant(true));
  EXPECT_NE(TVTVariant(L"maybe"), TVTVariant(false));
  EXPECT_EQ(TVTVariant::FromUInt64(42), TVTVariant(L"42"));
  EXPECT_EQ(TVTVariant::FromUInt64(18446744073709551615ull), TVTVariant::FromUInt64(18446744073709551615ull));
  EXPECT_NE(TVTVariant::FromUInt64(18446744073709551615ull), TVTVariant(-1));
  EXPECT_EQ(TVTVariant::FromDouble(2.5), TVTVariant(L"2.5"));
  EXPECT_EQ(TVTVariant::FromInt8(3), TVTVariant(3));
  EXPECT_EQ(TVTVariant(), TVTVariant(L""));
  EXPECT_NE(TVTVariant(), TVTVariant(0));
  EXPECT_EQ(TVTVariant(L"12").AsInteger(), 12);
  EXPECT_THROW(TVTVariant(L"x").AsInteger(), EVTConvertError);
  EXPECT_THROW(TVTVariant(L"x").AsBoolean(), EVTConvertError);
  EXPECT_EQ(TVTVariant::FromDouble(1.0 / 3).AsString(), L"0.333333333333333");
  EXPECT_EQ(TVTVariant::FromDouble(-2.9).AsInteger(), -2);
  EXPECT_THROW(TVTVariant::FromDouble(1e300).AsInteger(), EVTConvertError);

  int64_t n = 0;
  EXPECT_TRUE(vtxml::TryStrToInt64(L"-9223372036854775808", n));
  EXPECT_EQ(n, INT64_MIN);
  EXPECT_FALSE(vtxml::TryStrToInt64(L"9223372036854775808", n));
  double d = 0;
  EXPECT_TRUE(vtxml::TryStrToDouble(L" -1.5e3", d));
  EXPECT_EQ(d, -1500);
  for (const wchar_t* bad : {L"", L".", L"1e", L"1.5x", L"e5", L"inf", L"nan", L"1e999"})
    EXPECT_FALSE(vtxml::TryStrToDouble(bad, d)) << Utf8(bad);
}
