#pragma once
// Date and time in the names of the redirection files: the stretch between the
// first and the last '%' of a name is a picture for the platform's time and
// date formatting, and is replaced by the formatted text.
#include <cstddef>
#include <functional>
#include <string>

// The positions of the first and the last '%' (the same one when there is a
// single '%'). False when the name has none.
bool findDatePatternStretch(const std::wstring& name, size_t& first, size_t& last);

// Every upper-case 'L' of a picture replaced by the milliseconds, as a decimal
// number without leading zeros.
std::wstring replaceMilliseconds(const std::wstring& picture, unsigned milliseconds);

// Formats a picture: time pictures first, then date pictures of that result.
// Empty text when the platform's formatting fails.
using DateTimeFormatter = std::function<std::wstring(const std::wstring& picture)>;

// Replaces the stretch from the first to the last '%' (both included) by the
// formatted picture between them; a name without '%' is left as it is.
void expandDateTimePatternWith(std::wstring& name, unsigned milliseconds, const DateTimeFormatter& format);
