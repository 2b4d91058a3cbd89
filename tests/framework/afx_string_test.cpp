// CString: the clamping and searching rules the scanner and the dialogs lean on.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "framework/afx_string.h"

TEST(CStringFind, StartPositionsAndMisses) {
    const CString s("abcabc");
    struct Row {
        const char* sub;
        int start;
        int expected;
    } rows[] = {
        {"abc", 0, 0}, {"abc", 1, 3}, {"abc", 4, -1}, {"c", 5, 5},   {"c", 6, -1},
        {"", 6, 6},    {"", 7, -1},   {"x", 0, -1},   {"abc", -5, 0}, {"abcabcx", 0, -1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(s.Find(r.sub, r.start), r.expected) << r.sub << " from " << r.start;
    EXPECT_EQ(s.Find('b', 2), 4);
    EXPECT_EQ(s.Find('b', 100), -1);
}

TEST(CStringMid, ClampsEveryOutOfRangeArgument) {
    const CString s("0123456789");
    struct Row {
        int first, count;
        const char* expected;
    } rows[] = {
        {0, 3, "012"},          {7, 10, "789"}, {-4, 2, "01"},   {10, 1, ""}, {11, 1, ""},
        {3, -1, ""},            {3, 0, ""},     {2, INT_MAX, "23456789"},
        {INT_MAX, INT_MAX, ""}, {INT_MIN, 1, "0"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(s.Mid(r.first, r.count), r.expected) << r.first << "," << r.count;
    EXPECT_EQ(s.Mid(8), "89");
    EXPECT_EQ(s.Left(4), "0123");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(50), "0123456789");
    EXPECT_EQ(s.Right(2), "89");
}

TEST(CStringReplace, LeftToRightWithoutRescanning) {
    struct Row {
        const char* text;
        const char* from;
        const char* to;
        const char* expected;
        int count;
    } rows[] = {
        {"http&#58;//a&#46;b", "&#58;", ":", "http://a&#46;b", 1},
        {"aaaa", "aa", "a", "aa", 2},
        {"&#58;#58;", "&#58;", "&", "&#58;", 1},  // the new '&' is not matched again
        {"abc", "", "x", "abc", 0},
        {"abc", "abc", "", "", 1},
        {"", "a", "b", "", 0},
    };
    for (const Row& r : rows) {
        CString s(r.text);
        EXPECT_EQ(s.Replace(r.from, r.to), r.count) << r.text;
        EXPECT_EQ(s, r.expected) << r.text;
    }
}

TEST(CStringFormat, GrowsToFitAndKeepsPercentArguments) {
    CString s;
    s.Format("UIN=%s&TYPE=%d", "12%s34", 16);
    EXPECT_EQ(s, "UIN=12%s34&TYPE=16");
    const std::string big(100000, 'x');
    s.Format("[%s]", big.c_str());
    EXPECT_EQ(s.GetLength(), 100002);
    EXPECT_EQ(s.Right(2), "x]");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringBuffer, ReleaseTakesLengthUpToNul) {
    CString s("old");
    char* p = s.GetBuffer(16);
    std::snprintf(p, 17, "new text");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "new text");
    EXPECT_EQ(s.GetLength(), 8);
    s.GetBuffer(4);
    s.ReleaseBuffer(2);
    EXPECT_EQ(s, "ne");
}

TEST(CStringBytes, KeepsHighBytesAsTheyAre) {
    // GBK for two CJK characters; nothing may be converted.
    const char gbk[] = "\xB8\xE8\xCA\xD6";
    CString s(gbk);
    s += "x";
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0xB8);
    EXPECT_EQ(s.Find("\xCA\xD6"), 2);
}
