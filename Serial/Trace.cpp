#include "Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex& SinkMutex()
{
    static std::mutex m;
    return m;
}

TraceSink& Sink()
{
    static TraceSink sink;
    return sink;
}
}  // namespace

void Trace(const char* pszFormat, ...)
{
    char buf[512];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(buf, sizeof buf, pszFormat, args);
    va_end(args);

    std::lock_guard<std::mutex> lock(SinkMutex());
    if (Sink()) {
        Sink()(buf);
        return;
    }
    static const bool bToStderr = std::getenv("VARDEN_TRACE") != nullptr;
    if (bToStderr)
        std::fputs(buf, stderr);
}

TraceSink SetTraceSink(TraceSink sink)
{
    std::lock_guard<std::mutex> lock(SinkMutex());
    TraceSink old = std::move(Sink());
    Sink() = std::move(sink);
    return old;
}
