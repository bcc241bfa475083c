// Narrow and wide text conversions of the platform.
#pragma once

#include <string>

class FXString {
public:
    // Converts UTF-8 (or plain ASCII) text to wide characters; bytes that do
    // not form a valid sequence are taken one by one.
    static std::wstring ToWstring(const std::string& text);
    static std::string ToString(const std::wstring& text);
};
