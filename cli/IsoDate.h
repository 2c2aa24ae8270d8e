// ISO 8601 texts of the packed dates and times in ISPF statistics.
#pragma once

#include <cstdint>
#include <string>

// The day of a packed date 0CYYDDDF (the sign nibble shifted out, the rest read as decimal
// digits: 1900 + v div 1000 is the year, v mod 1000 the day of the year) as "yyyy-mm-dd";
// empty when it names no real day (day 0, a day past the year's end, a year past 9999).
std::wstring PackedDateIso(uint32_t packed);

// The change stamp "yyyy-mm-ddThh:mm:ss" from the packed date, the packed time HHMM and the
// packed seconds; empty when the date names no real day or the time no real time.
std::wstring PackedStampIso(uint32_t packedDate, uint16_t packedTime, uint8_t packedSecs);
