// Paths as the program keeps them (std::string in the file system's
// encoding) and as Qt shows them, converted in one place.
#pragma once

#include <QFile>
#include <QString>
#include <string>

inline QString PathToQString(const std::string& strPath)
{
    return QFile::decodeName(QByteArray(strPath.data(), static_cast<qsizetype>(strPath.size())));
}

inline std::string QStringToPath(const QString& strPath)
{
    return QFile::encodeName(strPath).toStdString();
}
