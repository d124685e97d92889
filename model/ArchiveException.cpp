#include "ArchiveException.h"

CArchiveException::CArchiveException(Cause cause, const std::string& strFileName)
    : std::runtime_error(MakeMessage(cause, strFileName)), m_cause(cause), m_strFileName(strFileName)
{
}

std::string CArchiveException::MakeMessage(Cause cause, const std::string& strFileName)
{
    if (cause == endOfFile)
        return "An attempt was made to access " + strFileName + " past its end.";
    return "An unexpected string length was found in " + strFileName + ".";
}
