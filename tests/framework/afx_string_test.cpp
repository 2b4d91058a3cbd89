// CString: the clamping and replacing rules the scanner and the dialogs lean on, and text kept
// byte for byte.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "framework/afx_string.h"

TEST(CString, ClampsReplacesFormatsAndKeepsBytes) {
    const CString s("abcabc"), digits("0123456789");
    const std::tuple<int, int, const char*> mids[] = {
        {0, 3, "012"},     {7, 10, "789"},        {-4, 2, "01"}, {10, 1, ""},
        {11, 1, ""},       {3, -1, ""},           {3, 0, ""},    {2, INT_MAX, "23456789"},
        {INT_MIN, 1, "0"}, {INT_MAX, INT_MAX, ""}};
    for (const auto& [first, count, cut] : mids)
        EXPECT_EQ(digits.Mid(first, count).str(), cut) << first << "," << count;
    EXPECT_EQ((digits.Mid(8) + digits.Left(4) + digits.Left(-1) + "|" + digits.Left(50)).str(),
              "890123|0123456789");
    EXPECT_TRUE(s != digits && !(s != CString("abcabc")) && s != "abc" && !(s != "abcabc"));
    const std::tuple<const char*, const char*, const char*, const char*, int> replaces[] = {
        {"http&#58;//a&#46;b", "&#58;", ":", "http://a&#46;b", 1},
        {"aaaa", "aa", "a", "aa", 2},
        {"&#58;#58;", "&#58;", "&", "&#58;", 1}, // the new '&' is not matched again
        {"abc", "", "x", "abc", 0},
        {"abc", "abc", "", "", 1},
        {"", "a", "b", "", 0}};
    for (const auto& [text, from, to, result, count] : replaces) {
        CString t(text);
        EXPECT_EQ(t.Replace(from, to), count) << text;
        EXPECT_EQ(t.str(), result) << text;
    }
    CString f;
    f.Format("UIN=%s&TYPE=%d|%s", "12%s34", 16, std::string(100000, 'x').c_str());
    EXPECT_EQ(f.str(), "UIN=12%s34&TYPE=16|" + std::string(100000, 'x'));
    f.Format("%s", "");
    EXPECT_TRUE(f.IsEmpty());
    std::snprintf(f.GetBuffer(16), 17, "new text");
    f.ReleaseBuffer();
    f.GetBuffer(4); // no shorter than the text
    EXPECT_EQ(f.str(), "new text");
    f.ReleaseBuffer(2);
    f += "\xB8\xE8\xCA\xD6"; // GBK for two CJK characters: nothing may be converted
    EXPECT_EQ(f.str(), "ne\xB8\xE8\xCA\xD6");
}
