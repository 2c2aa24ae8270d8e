// Small text and number helpers shared by the fixed-column reports.
// Positions count from 1 where the reports talk about columns; strings are 16-bit text.
#pragma once

#include <cstdint>
#include <string>

namespace vtstr {

// s followed by blanks up to w characters; the first w characters when s is longer.
std::wstring PadRight(const std::wstring& s, int32_t w);
// Blanks followed by s, w characters in all; when s is longer, its first w characters.
std::wstring PadLeft(const std::wstring& s, int32_t w);
// Decimal text of n with "," between groups of three digits.
std::wstring FormatThousands(int64_t n);
// Groups the digits before the first "." in threes, counted from the right.
std::wstring InsertThousands(const std::wstring& s);
// The last w (1..12) decimal digits of n, with leading zeros.
std::wstring ZeroPad(int64_t n, int32_t w);
// Reads the hexadecimal nibbles of x as decimal digits (0x1432 gives 1432).
int32_t BCDToInt(uint32_t x);
// t laid over the middle of s.
std::wstring CenterOverlay(const std::wstring& s, const std::wstring& t);
// name without the text from its last "." on.
std::wstring StripExtension(const std::wstring& name);
// True when s is not empty and holds only the digits 0 to 9.
bool IsNumeric(const std::wstring& s);

// Text helpers used throughout the reader.
std::wstring Trim(const std::wstring& s);        // blanks and control characters at both ends
std::wstring TrimRight(const std::wstring& s);
std::wstring UpperAscii(const std::wstring& s);  // a-z to A-Z only
std::wstring IntToStr(int64_t n);
std::wstring AsciiToWide(const std::string& s);  // 7-bit text to 16-bit text

}  // namespace vtstr
