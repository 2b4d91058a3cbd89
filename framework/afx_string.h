// CString: the framework's byte string, in the ANSI code page, never converted.
#pragma once

#include <cstdarg>
#include <string>
#include <utility>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_data(text ? text : "") {}
    CString(std::string text) : m_data(std::move(text)) {}

    CString& operator=(const char* text);

    int GetLength() const { return static_cast<int>(m_data.size()); }
    bool IsEmpty() const { return m_data.empty(); }
    operator const char*() const { return m_data.c_str(); }
    const std::string& str() const { return m_data; }

    // Out-of-range positions and counts are clamped, never read past the end.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;

    // Replaces every occurrence, left to right without rescanning replaced
    // text; returns how many. An empty `from` replaces nothing.
    int Replace(const char* from, const char* to);

    // printf-style; the result is as long as it needs to be.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);

    // Writable storage for APIs that fill a C buffer: GetBuffer gives room for
    // `minLength` bytes plus a NUL; ReleaseBuffer(-1) takes the length up to
    // the first NUL.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

#ifdef _WIN32
    // A string-table entry of the program's module; false (and empty) when missing.
    bool LoadString(unsigned int id);
#endif

    CString& operator+=(const CString& other) { m_data += other.m_data; return *this; }
    CString& operator+=(const char* text) { if (text) m_data += text; return *this; }

    friend CString operator+(CString a, const CString& b) { return a += b; }
    friend CString operator+(CString a, const char* b) { return a += b; }
    friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }

    friend bool operator==(const CString& a, const CString& b) { return a.m_data == b.m_data; }
    friend bool operator==(const CString& a, const char* b) { return a.m_data == (b ? b : ""); }
    friend bool operator==(const char* a, const CString& b) { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(b == a); }

private:
    std::string m_data;
};
