#include "cli/Json.h"

#include <type_traits>

namespace {

void AppendEscape(std::string& out, uint32_t unit) {
  static const char* digits = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += digits[(unit >> shift) & 15];
}

}  // namespace

std::string JsonQuote(const std::wstring& s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  for (wchar_t wc : s) {
    // Read each unit as unsigned: wchar_t is signed on some targets.
    const uint32_t c = static_cast<std::make_unsigned_t<wchar_t>>(wc);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else if (c <= 0xFFFF) {
          AppendEscape(out, c);
        } else if (c <= 0x10FFFF) {
          // A 32-bit wchar_t beyond the 16-bit range: its surrogate pair.
          const uint32_t v = c - 0x10000;
          AppendEscape(out, 0xD800 + (v >> 10));
          AppendEscape(out, 0xDC00 + (v & 0x3FF));
        } else {
          AppendEscape(out, 0xFFFD);
        }
    }
  }
  out += '"';
  return out;
}

void TJsonWriter::NewLine() {
  FText += '\n';
  FText.append(2 * FHasMember.size(), ' ');
}

void TJsonWriter::BeforeValue() {
  if (FAfterKey) {
    FAfterKey = false;
    return;
  }
  if (!FHasMember.empty()) {
    if (FHasMember.back()) FText += ',';
    FHasMember.back() = true;
    NewLine();
  }
}

void TJsonWriter::Open(char c) {
  BeforeValue();
  FText += c;
  FHasMember.push_back(false);
}

void TJsonWriter::Close(char c) {
  if (FHasMember.empty()) return;
  const bool any = FHasMember.back();
  FHasMember.pop_back();
  if (any) NewLine();
  FText += c;
}

void TJsonWriter::BeginObject() { Open('{'); }
void TJsonWriter::EndObject() { Close('}'); }
void TJsonWriter::BeginArray() { Open('['); }
void TJsonWriter::EndArray() { Close(']'); }

void TJsonWriter::Key(const std::wstring& k) {
  BeforeValue();
  FText += JsonQuote(k);
  FText += ": ";
  FAfterKey = true;
}

void TJsonWriter::String(const std::wstring& s) {
  BeforeValue();
  FText += JsonQuote(s);
}

void TJsonWriter::Number(int64_t n) {
  BeforeValue();
  FText += std::to_string(n);
}

void TJsonWriter::Bool(bool b) {
  BeforeValue();
  FText += b ? "true" : "false";
}

void TJsonWriter::Null() {
  BeforeValue();
  FText += "null";
}
