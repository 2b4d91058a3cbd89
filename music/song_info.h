// CSongInfo: one song record of the music list.
#pragma once

#include "framework/afx_string.h"

class CSongInfo {
public:
    CSongInfo() = default;
    CSongInfo(const CSongInfo&) = default;
    CSongInfo& operator=(const CSongInfo&) = default;
    // Moves too, so that a list of records grows without copying each string.
    CSongInfo(CSongInfo&&) noexcept = default;
    CSongInfo& operator=(CSongInfo&&) noexcept = default;
    virtual ~CSongInfo() = default;

    CString m_strSinger;
    CString m_strSongName;
    CString m_strSongUrl;  // un-escaped
};
