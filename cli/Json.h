// A small JSON writer. Its text is pure ASCII: every character outside printable ASCII is
// written as a \u escape, so the output reads the same in any console code page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// s as a JSON string literal, quotes included.
std::string JsonQuote(const std::wstring& s);

// Builds indented JSON text (two blanks per level). The caller nests Begin/End calls
// correctly and gives each member of an object its Key first.
class TJsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void Key(const std::wstring& k);
  void String(const std::wstring& s);
  void Number(int64_t n);
  void Bool(bool b);
  void Null();

  // Shorthands for a key and its value.
  void Field(const std::wstring& k, const std::wstring& s) { Key(k); String(s); }
  void Field(const std::wstring& k, int64_t n) { Key(k); Number(n); }
  void FieldBool(const std::wstring& k, bool b) { Key(k); Bool(b); }

  // The text so far, lines separated by "\n", without a final line end.
  const std::string& Text() const { return FText; }

 private:
  void BeforeValue();
  void Open(char c);
  void Close(char c);
  void NewLine();

  std::string FText;
  // One entry per open object or array: whether it has a member yet.
  std::vector<bool> FHasMember;
  bool FAfterKey = false;
};
