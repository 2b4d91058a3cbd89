#include "framework/afx_string.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

CString& CString::operator=(const char* text) {
    m_data = text ? text : "";
    return *this;
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    // A negative position counts as 0 and a negative count as none; substr
    // clamps the rest to the end.
    const size_t from = std::min(static_cast<size_t>(std::max(first, 0)), m_data.size());
    return CString(m_data.substr(from, static_cast<size_t>(std::max(count, 0))));
}

CString CString::Left(int count) const {
    return Mid(0, count);
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from)
        return 0;
    if (!to)
        to = "";
    const size_t fromLength = std::strlen(from);
    std::string out;
    int replaced = 0;
    size_t pos = 0;
    for (size_t at; (at = m_data.find(from, pos, fromLength)) != std::string::npos; pos = at + fromLength) {
        out.append(m_data, pos, at - pos);
        out += to;
        ++replaced;
    }
    if (replaced) {
        out.append(m_data, pos, std::string::npos);
        m_data.swap(out);
    }
    return replaced;
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed <= 0) {
        m_data.clear();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    m_data.assign(buffer.data(), static_cast<size_t>(needed));
}

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength())
        m_data.resize(static_cast<size_t>(minLength));
    return &m_data[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_data.c_str()));
    if (newLength > GetLength())
        newLength = GetLength();
    m_data.resize(static_cast<size_t>(newLength));
}
