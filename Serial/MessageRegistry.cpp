#include "MessageRegistry.h"

#include <map>
#include <mutex>
#include <string>

UINT RegisterWindowMessage(const char* pszName)
{
    static std::mutex mutex;
    static std::map<std::string, UINT> ids;
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = ids.find(pszName);
    if (it != ids.end())
        return it->second;
    const UINT id = FIRST_REGISTERED_MESSAGE + static_cast<UINT>(ids.size());
    ids.emplace(pszName, id);
    return id;
}
