#include "SlotVerify.h"

#include "CliSession.h"
#include "PresetDiff.h"
#include "PresetName.h"
#include "PresetNameRule.h"

void PrintDifferences(const CommandLine& cl, int nSlot, const std::vector<std::string>& lines, const char* strHeading)
{
    cl.err << "vardenctl " << cl.strCommand << ": slot " << nSlot << " " << strHeading << ":\n";
    for (const std::string& line : lines)
        cl.err << "  " << line << "\n";
}

VerifyResult VerifySlot(CCliSession& session, int nSlot, const PresetData& sent, const std::string& strName,
                        std::vector<std::string>& lines)
{
    PresetData stored;
    if (!session.ReadSlot(nSlot, stored, "verifying slot " + std::to_string(nSlot)))
        return VerifyResult::LinkFailed;
    lines.clear();
    // The name as the device reports it, not as we would expect it to cut it.
    const std::string expected = NameAsDeviceKeepsIt(strName);
    if (stored.strName != expected)
        lines.push_back(FieldChange("name", QuotedName(expected), QuotedName(stored.strName)));
    const std::vector<std::string> fields = DiffPresets(sent, stored, PresetFields::Stored);
    lines.insert(lines.end(), fields.begin(), fields.end());
    return lines.empty() ? VerifyResult::Equal : VerifyResult::Different;
}

int ReportVerifiedWrite(CCliSession& session, int nSlot, const PresetData& sent, const std::string& strName)
{
    const CommandLine& cl = session.m_cl;
    std::vector<std::string> lines;
    switch (VerifySlot(session, nSlot, sent, strName, lines)) {
    case VerifyResult::Equal:
        cl.out << "Verified: slot " << nSlot << " holds what was written\n";
        return EXIT_OK;
    case VerifyResult::Different:
        PrintDifferences(cl, nSlot, lines);
        return EXIT_IO;
    case VerifyResult::LinkFailed:
        break;
    }
    return session.StepFailed("slot " + std::to_string(nSlot) + " was written but could not be read back");
}
