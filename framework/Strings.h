// Text helpers shared by every part of the program. Case rules change ASCII letters only, so
// a double-byte character is never altered, whatever its bytes are.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace tovane {

// The code page's lead-byte rule: the byte after a lead byte belongs to the same character.
using LeadByteRule = bool (*)(unsigned char byte);

// Lead bytes of code page 932 (Shift-JIS): 0x81-0x9F and 0xE0-0xFC.
bool IsCp932LeadByte(unsigned char byte);
// A single-byte code page: no byte leads.
bool IsSingleByte(unsigned char byte);

char AsciiLowerChar(char c);
char AsciiUpperChar(char c);
// With a lead-byte rule, the trail byte of a double-byte character is never changed.
std::string AsciiLower(std::string_view s, LeadByteRule lead = IsSingleByte);
std::string AsciiUpper(std::string_view s, LeadByteRule lead = IsSingleByte);

// Compares ignoring the case of ASCII letters: <0, 0 or >0, bytes compared unsigned. With a
// lead-byte rule, trail bytes compare exactly.
int CompareTextAscii(std::string_view a, std::string_view b, LeadByteRule lead = IsSingleByte);
bool SameTextAscii(std::string_view a, std::string_view b, LeadByteRule lead = IsSingleByte);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatV(const char* fmt, va_list args);

// Integer parsing with the profile-file rules: "0x"/"0X" followed by at least one digit, or a
// leading "$", read as hexadecimal; anything else decimal; an optional leading sign. Returns
// false (leaving value untouched) when the text is not a whole 32-bit integer.
bool TryParseInt(std::string_view text, int& value);

} // namespace tovane
