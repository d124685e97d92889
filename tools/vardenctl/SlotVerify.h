// Reading a slot back after a write and comparing it with what was sent,
// so a write is reported good only when the device holds it.
#pragma once

#include <string>
#include <vector>

#include "PresetData.h"

class CCliSession;
struct CommandLine;

enum class VerifyResult { Equal, Different, LinkFailed };

// Reads slot nSlot and the name the device reports for it back; differences
// go to lines, one per field, as "field: sent -> stored". strName is the
// name as it was sent.
VerifyResult VerifySlot(CCliSession& session, int nSlot, const PresetData& sent, const std::string& strName,
                        std::vector<std::string>& lines);

// "vardenctl CMD: slot N does not hold what was written (written -> stored):",
// or strHeading in its place, then the lines.
void PrintDifferences(const CommandLine& cl, int nSlot, const std::vector<std::string>& lines,
                      const char* strHeading = "does not hold what was written (written -> stored)");

// For `write --verify`: reads the slot back and reports; the exit status.
int ReportVerifiedWrite(CCliSession& session, int nSlot, const PresetData& sent, const std::string& strName);
