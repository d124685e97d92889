// Preset names as the program keeps them (Windows-1252 bytes) and as Qt
// shows them, converted in one place.
#pragma once

#include <QString>
#include <string>

#include "Windows1252.h"

inline QString NameToQString(const std::string& strName)
{
    QString strText;
    for (unsigned char c : strName) {
        const char32_t cp = Windows1252ToUnicode(c);
        strText += QChar(static_cast<char16_t>(cp != 0 || c == 0 ? cp : c));
    }
    return strText;
}

// A character the code page has no byte for becomes '?'; the name fields'
// validator lets none through.
inline std::string QStringToName(const QString& strText)
{
    std::string strName;
    for (const QChar ch : strText) {
        unsigned char c = '?';
        UnicodeToWindows1252(ch.unicode(), c);
        strName.push_back(static_cast<char>(c));
    }
    return strName;
}
