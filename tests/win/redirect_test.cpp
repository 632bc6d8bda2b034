// The date and time pictures of redirection file names, formatted by the platform.
#include <windows.h>

#include <gtest/gtest.h>

#include "vm/redirect.h"

namespace {

SYSTEMTIME at(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
    SYSTEMTIME t = {};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wDayOfWeek = 1;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
}

std::wstring expanded(std::wstring name, const SYSTEMTIME& time) {
    expandDateTimePattern(name, time);
    return name;
}

TEST(DateTimePattern, TimeThenDatePictures) {
    const SYSTEMTIME t = at(2014, 3, 3, 14, 5, 9, 42);
    EXPECT_EQ(expanded(L"out_%yyyy-MM-dd_HH-mm-ss%.log", t), L"out_2014-03-03_14-05-09.log");
    EXPECT_EQ(expanded(L"logs\\out_%yyyyMMdd%.txt", t), L"logs\\out_20140303.txt");
    EXPECT_EQ(expanded(L"%d.M.yy h.m.s%", t), L"3.3.14 2.5.9");
    EXPECT_EQ(expanded(L"x%HHmmss.L%y", t), L"x140509.42y");
}

TEST(DateTimePattern, NamesWithoutPatternStayAndASinglePercentDisappears) {
    const SYSTEMTIME t = at(2014, 3, 3, 14, 5, 9, 0);
    EXPECT_EQ(expanded(L"C:\\logs\\out.txt", t), L"C:\\logs\\out.txt");
    EXPECT_EQ(expanded(L"out%.txt", t), L"out.txt");
}

TEST(DateTimePattern, PicturesTooLongForAPathRemoveTheStretch) {
    const SYSTEMTIME t = at(2014, 3, 3, 14, 5, 9, 0);
    EXPECT_EQ(expanded(L"a%" + std::wstring(300, L'y') + L"%b", t), L"ab");
    EXPECT_EQ(expanded(L"a%" + std::wstring(300, L'H') + L"%b", t), L"ab");
}

}  // namespace
