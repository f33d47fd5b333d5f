// Owner of one UTF-16 array made by UTF8ToUniChar.
#pragma once

#include "platform/types.h"

// Holds m_nLength UTF-16 units at m_pChars (allocated with new[]) and releases
// them with delete[] when it goes. Users store both fields from
// UTF8ToUniChar. It starts empty (null, 0) and cannot be copied, so an array
// is never released twice.
class CUniChar {
  public:
    CUniChar() = default;
    CUniChar(const CUniChar&) = delete;
    CUniChar& operator=(const CUniChar&) = delete;
    virtual ~CUniChar() {
        if (m_pChars != nullptr) {
            delete[] m_pChars;
        }
    }

    int m_nLength = 0;
    unsigned short* m_pChars = nullptr;
};
