// A strict reader of JSON text for the tests: it refuses anything RFC 8259 refuses (trailing
// commas, bare control characters, bad escapes, text after the value) and gives a value tree
// the tests can query. Strings decode to 16-bit units, as the tool's text is.
#pragma once

#include <cstdint>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

namespace jsonread {

struct TValue {
  enum class TKind { Null, Bool, Number, String, Array, Object } Kind = TKind::Null;
  bool Bool = false;
  double Number = 0;
  std::wstring String;
  std::vector<TValue> Items;                            // Array
  std::vector<std::pair<std::wstring, TValue>> Members;  // Object, in order

  bool IsNull() const { return Kind == TKind::Null; }
  // The member named k; throws when this is no object or has no such member.
  const TValue& operator[](const wchar_t* k) const {
    if (Kind != TKind::Object) throw std::runtime_error("not an object");
    for (const auto& m : Members) {
      if (m.first == k) return m.second;
    }
    throw std::runtime_error("no member " + std::string(k, k + std::wcslen(k)));
  }
  bool Has(const wchar_t* k) const {
    for (const auto& m : Members) {
      if (m.first == k) return true;
    }
    return false;
  }
};

class TReader {
 public:
  explicit TReader(const std::string& text) : FText(text) {}

  TValue ReadDocument() {
    TValue v = ReadValue(0);
    SkipBlanks();
    if (FPos != FText.size()) Fail("text after the value");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(FPos));
  }
  void SkipBlanks() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' ||
                                   FText[FPos] == '\n' || FText[FPos] == '\r')) {
      ++FPos;
    }
  }
  char Peek() {
    SkipBlanks();
    if (FPos >= FText.size()) Fail("unexpected end");
    return FText[FPos];
  }
  void Expect(char c) {
    if (Peek() != c) Fail(std::string("expected '") + c + "'");
    ++FPos;
  }
  void Literal(const char* word) {
    const std::string w(word);
    if (FText.compare(FPos, w.size(), w) != 0) Fail("bad literal");
    FPos += w.size();
  }

  TValue ReadValue(int depth) {
    if (depth > 64) Fail("too deep");
    TValue v;
    const char c = Peek();
    if (c == '{') {
      v.Kind = TValue::TKind::Object;
      ++FPos;
      if (Peek() == '}') {
        ++FPos;
        return v;
      }
      for (;;) {
        if (Peek() != '"') Fail("expected a key");
        std::wstring k = ReadString();
        Expect(':');
        v.Members.emplace_back(std::move(k), ReadValue(depth + 1));
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.Kind = TValue::TKind::Array;
      ++FPos;
      if (Peek() == ']') {
        ++FPos;
        return v;
      }
      for (;;) {
        v.Items.push_back(ReadValue(depth + 1));
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.Kind = TValue::TKind::String;
      v.String = ReadString();
      return v;
    }
    if (c == 't' || c == 'f') {
      v.Kind = TValue::TKind::Bool;
      v.Bool = c == 't';
      Literal(c == 't' ? "true" : "false");
      return v;
    }
    if (c == 'n') {
      Literal("null");
      return v;
    }
    v.Kind = TValue::TKind::Number;
    v.Number = ReadNumber();
    return v;
  }

  double ReadNumber() {
    const size_t start = FPos;
    if (FPos < FText.size() && FText[FPos] == '-') ++FPos;
    auto digits = [&]() {
      const size_t from = FPos;
      while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
      return FPos - from;
    };
    if (FPos < FText.size() && FText[FPos] == '0') {
      ++FPos;
    } else if (digits() == 0) {
      Fail("bad number");
    }
    if (FPos < FText.size() && FText[FPos] == '.') {
      ++FPos;
      if (digits() == 0) Fail("bad fraction");
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      ++FPos;
      if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
      if (digits() == 0) Fail("bad exponent");
    }
    return std::stod(FText.substr(start, FPos - start));
  }

  std::wstring ReadString() {
    ++FPos;  // the opening quote
    std::wstring s;
    for (;;) {
      if (FPos >= FText.size()) Fail("unterminated string");
      const unsigned char c = static_cast<unsigned char>(FText[FPos++]);
      if (c == '"') return s;
      if (c < 0x20) Fail("control character in a string");
      if (c >= 0x80) Fail("non-ASCII byte in a string");  // the tool escapes them all
      if (c != '\\') {
        s += static_cast<wchar_t>(c);
        continue;
      }
      if (FPos >= FText.size()) Fail("unterminated escape");
      const char e = FText[FPos++];
      switch (e) {
        case '"': s += L'"'; break;
        case '\\': s += L'\\'; break;
        case '/': s += L'/'; break;
        case 'b': s += L'\b'; break;
        case 'f': s += L'\f'; break;
        case 'n': s += L'\n'; break;
        case 'r': s += L'\r'; break;
        case 't': s += L'\t'; break;
        case 'u': {
          if (FPos + 4 > FText.size()) Fail("short \\u escape");
          unsigned v = 0;
          for (int i = 0; i < 4; ++i) {
            const char h = FText[FPos++];
            v <<= 4;
            if (h >= '0' && h <= '9') v |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f') v |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') v |= static_cast<unsigned>(h - 'A' + 10);
            else Fail("bad \\u escape");
          }
          s += static_cast<wchar_t>(v);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  const std::string& FText;
  size_t FPos = 0;
};

inline TValue Parse(const std::string& text) { return TReader(text).ReadDocument(); }

}  // namespace jsonread
