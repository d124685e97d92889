#include "SimServerOptions.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<const char*, SimFault>, 7> FAULT_NAMES = {{
    {"none", SimFault::None},
    {"silent", SimFault::Silent},
    {"bad-trailer", SimFault::BadTrailer},
    {"garbage", SimFault::Garbage},
    {"split", SimFault::Split},
    {"late", SimFault::Late},
    {"hangup", SimFault::HangUp},
}};
}  // namespace

bool ParseSimFault(const std::string& strName, SimFault& fault)
{
    for (const auto& [pszName, value] : FAULT_NAMES) {
        if (strName == pszName) {
            fault = value;
            return true;
        }
    }
    return false;
}

std::string SimFaultNames()
{
    std::string strNames;
    for (const auto& entry : FAULT_NAMES)
        strNames += (strNames.empty() ? "" : ", ") + std::string(entry.first);
    return strNames;
}
