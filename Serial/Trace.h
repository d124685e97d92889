// Diagnostic trace lines ("CSerial::Open - Unable to open port\n"): written to
// stderr when VARDEN_TRACE is set, otherwise dropped. Tests capture them.
#pragma once

#include <functional>
#include <string>

void Trace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

// Every trace line goes to sink instead (thread-safe); an empty sink restores
// the default. Returns the previous sink.
using TraceSink = std::function<void(const std::string&)>;
TraceSink SetTraceSink(TraceSink sink);
