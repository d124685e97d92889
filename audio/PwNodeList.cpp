#include "PwNodeList.h"

#include "PwStream.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <spa/utils/result.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
constexpr int ANSWER_TIMEOUT_S = 5;
constexpr const char* CLASSES[] = {"Audio/Sink", "Audio/Source", "Audio/Source/Virtual", "Audio/Duplex"};

int ToInt(const char* psz)
{
    if (!psz)
        return 0;
    char* pEnd = nullptr;
    const long n = std::strtol(psz, &pEnd, 10);
    return pEnd != psz && n > 0 && n < 1000000 ? static_cast<int>(n) : 0;
}

struct Node {
    PwNodeInfo info;
    pw_proxy* pProxy = nullptr;
    spa_hook hook{};
    bool bFormat = false;  // channels and rate from the format in use
    struct Lister* pLister = nullptr;
};

// Everything the registry's and the nodes' callbacks fill, on the loop's thread.
struct Lister {
    pw_thread_loop* pLoop = nullptr;
    pw_registry* pRegistry = nullptr;
    spa_hook registryHook{};
    spa_hook coreHook{};
    std::vector<std::unique_ptr<Node>> aNodes;
    int nSyncSeq = -1;
    bool bSynced = false;
    std::string strError;
};

void OnParam(void* pData, int, std::uint32_t nId, std::uint32_t, std::uint32_t, const spa_pod* pParam)
{
    auto* node = static_cast<Node*>(pData);
    if (!pParam || (nId != SPA_PARAM_Format && nId != SPA_PARAM_EnumFormat) ||
        (node->bFormat && nId != SPA_PARAM_Format))
        return;
    std::uint32_t nMediaType = 0, nSubtype = 0;
    if (spa_format_parse(pParam, &nMediaType, &nSubtype) < 0 || nMediaType != SPA_MEDIA_TYPE_audio ||
        nSubtype != SPA_MEDIA_SUBTYPE_raw)
        return;
    spa_audio_info_raw raw{};
    if (spa_format_audio_raw_parse(pParam, &raw) < 0)
        return;
    if (raw.channels > 0)
        node->info.nChannels = static_cast<int>(raw.channels);
    if (raw.rate > 0)
        node->info.nRate = static_cast<int>(raw.rate);
    node->info.anPositions.clear();
    if ((raw.flags & SPA_AUDIO_FLAG_UNPOSITIONED) == 0)
        node->info.anPositions.assign(raw.position,
                                      raw.position + std::min<std::uint32_t>(raw.channels, SPA_AUDIO_MAX_CHANNELS));
    node->bFormat = nId == SPA_PARAM_Format;
}

void OnNodeInfo(void* pData, const pw_node_info* pInfo)
{
    auto* node = static_cast<Node*>(pData);
    if (!pInfo->props)
        return;
    if (const char* psz = spa_dict_lookup(pInfo->props, PW_KEY_NODE_DESCRIPTION))
        node->info.strDescription = psz;
    if (node->info.nChannels == 0)
        node->info.nChannels = ToInt(spa_dict_lookup(pInfo->props, PW_KEY_AUDIO_CHANNELS));
    if (node->info.nRate == 0)
        node->info.nRate = ToInt(spa_dict_lookup(pInfo->props, PW_KEY_AUDIO_RATE));
}

const pw_node_events NODE_EVENTS = [] {
    pw_node_events e{};
    e.version = PW_VERSION_NODE_EVENTS;
    e.info = OnNodeInfo;
    e.param = OnParam;
    return e;
}();

void OnGlobal(void* pData, std::uint32_t nId, std::uint32_t, const char* pszType, std::uint32_t, const spa_dict* pProps)
{
    auto* lister = static_cast<Lister*>(pData);
    if (std::strcmp(pszType, PW_TYPE_INTERFACE_Node) != 0 || !pProps)
        return;
    const char* pszClass = spa_dict_lookup(pProps, PW_KEY_MEDIA_CLASS);
    const char* pszName = spa_dict_lookup(pProps, PW_KEY_NODE_NAME);
    if (!pszClass || !pszName || std::none_of(std::begin(CLASSES), std::end(CLASSES), [&](const char* p) {
            return std::strcmp(p, pszClass) == 0;
        }))
        return;
    auto node = std::make_unique<Node>();
    node->info.strName = pszName;
    node->info.strMediaClass = pszClass;
    if (const char* psz = spa_dict_lookup(pProps, PW_KEY_NODE_DESCRIPTION))
        node->info.strDescription = psz;
    node->pLister = lister;
    node->pProxy =
        static_cast<pw_proxy*>(pw_registry_bind(lister->pRegistry, nId, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
    if (node->pProxy) {
        auto* pNode = reinterpret_cast<pw_node*>(node->pProxy);
        pw_node_add_listener(pNode, &node->hook, &NODE_EVENTS, node.get());
        // The format in use where there is one, else what it offers.
        pw_node_enum_params(pNode, 0, SPA_PARAM_Format, 0, 1, nullptr);
        pw_node_enum_params(pNode, 0, SPA_PARAM_EnumFormat, 0, 1, nullptr);
    }
    lister->aNodes.push_back(std::move(node));
}

void OnDone(void* pData, std::uint32_t nId, int nSeq)
{
    auto* lister = static_cast<Lister*>(pData);
    if (nId == PW_ID_CORE && nSeq == lister->nSyncSeq) {
        lister->bSynced = true;
        pw_thread_loop_signal(lister->pLoop, false);
    }
}

void OnCoreError(void* pData, std::uint32_t nId, int, int nRes, const char* pszMessage)
{
    auto* lister = static_cast<Lister*>(pData);
    if (nId == PW_ID_CORE && lister->strError.empty()) {
        lister->strError = std::string("the sound server failed: ") + (pszMessage ? pszMessage : spa_strerror(nRes));
        pw_thread_loop_signal(lister->pLoop, false);
    }
}

// Asks the server to answer once everything asked before is answered, and
// waits for it.
bool Sync(Lister& lister, pw_core* pCore)
{
    lister.bSynced = false;
    lister.nSyncSeq = pw_core_sync(pCore, PW_ID_CORE, 0);
    timespec deadline{};
    pw_thread_loop_get_time(lister.pLoop, &deadline, ANSWER_TIMEOUT_S * SPA_NSEC_PER_SEC);
    while (!lister.bSynced && lister.strError.empty())
        if (pw_thread_loop_timed_wait_full(lister.pLoop, &deadline) != 0)
            break;
    return lister.bSynced;
}
}  // namespace

bool ListPwNodes(CPipeWireSession& session, std::vector<PwNodeInfo>& aNodes, std::string& strError)
{
    Lister lister;
    lister.pLoop = session.GetLoop();
    if (!lister.pLoop || !session.GetCore()) {
        strError = NO_SOUND_SERVER;
        return false;
    }
    CPipeWireSession::CLock lock(session);
    pw_registry_events registryEvents{};
    registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
    registryEvents.global = OnGlobal;
    pw_core_events coreEvents{};
    coreEvents.version = PW_VERSION_CORE_EVENTS;
    coreEvents.done = OnDone;
    coreEvents.error = OnCoreError;
    pw_core_add_listener(session.GetCore(), &lister.coreHook, &coreEvents, &lister);
    lister.pRegistry = pw_core_get_registry(session.GetCore(), PW_VERSION_REGISTRY, 0);
    bool bOk = lister.pRegistry != nullptr;
    if (bOk) {
        pw_registry_add_listener(lister.pRegistry, &lister.registryHook, &registryEvents, &lister);
        // The first answer ends the list of nodes, the second their details.
        bOk = Sync(lister, session.GetCore()) && Sync(lister, session.GetCore());
    }
    for (auto& node : lister.aNodes) {
        if (node->pProxy) {
            spa_hook_remove(&node->hook);
            pw_proxy_destroy(node->pProxy);
        }
    }
    if (lister.pRegistry) {
        spa_hook_remove(&lister.registryHook);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(lister.pRegistry));
    }
    spa_hook_remove(&lister.coreHook);
    if (!bOk) {
        strError = !lister.strError.empty() ? lister.strError : "the sound server did not answer with its nodes";
        return false;
    }
    aNodes.clear();
    for (const auto& node : lister.aNodes)
        aNodes.push_back(node->info);
    return true;
}

const PwNodeInfo* FindPwNode(const std::vector<PwNodeInfo>& aNodes, const std::string& strName)
{
    const auto it =
        std::find_if(aNodes.begin(), aNodes.end(), [&](const PwNodeInfo& n) { return n.strName == strName; });
    return it == aNodes.end() ? nullptr : &*it;
}

PwStreamSetup StreamSetupFor(const PwNodeInfo& node, const std::string& strName, const std::string& strDescription,
                             bool bPlay)
{
    PwStreamSetup setup{strName, strDescription, bPlay, node.nChannels > 0 ? node.nChannels : 2, true, node.strName};
    if (static_cast<int>(node.anPositions.size()) == setup.nChannels)
        setup.anPositions = node.anPositions;
    return setup;
}

bool IsPwSink(const PwNodeInfo& node)
{
    return node.strMediaClass == "Audio/Sink" || node.strMediaClass == "Audio/Duplex";
}

bool IsPwSource(const PwNodeInfo& node)
{
    return node.strMediaClass.rfind("Audio/Source", 0) == 0 || node.strMediaClass == "Audio/Duplex";
}
