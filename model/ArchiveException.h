// The error the preset archive throws when a file ends early or holds an
// impossible string header. Its text is what the user is shown.
#pragma once

#include <stdexcept>
#include <string>

class CArchiveException : public std::runtime_error {
public:
    enum Cause { endOfFile, badFormat };

    CArchiveException(Cause cause, const std::string& strFileName);

    Cause m_cause;
    std::string m_strFileName;  // "an unnamed file" when the archive has no name

private:
    static std::string MakeMessage(Cause cause, const std::string& strFileName);
};
