// tools/standins/TunerSetup.cpp: stand-in for the Brio/Nomad driver removal program, Driver\TunerSetup.exe.
// With /r it stores its verdict, HKCU "SOFTWARE\ZORVA\SETUP\NOMAD" value "Welcome", before its
// first wait for input. Tests choose the verdict with a file TunerSetup.verdict beside the executable;
// "busy:SECONDS" stores 1, then stays that long without ever waiting for input, and exits.
#include "StandIn.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const char* const VerdictKey = "SOFTWARE\\ZORVA\\SETUP\\NOMAD";
const char* const VerdictValue = "Welcome";

class RegKey {
public:
    RegKey() = default;
    ~RegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

enum class VerdictKind { Dword, Text, None };

struct Verdict {
    VerdictKind kind = VerdictKind::Dword;
    DWORD number = 1;
    std::string text;
    DWORD busySeconds = 0;
};

// File contents: a decimal number (REG_DWORD), "sz:TEXT" (REG_SZ), "none" or "busy:SECONDS" (DWORD 1);
// no file means DWORD 1.
// Returns false for contents it does not understand.
bool ReadVerdictFile(Verdict& verdict)
{
    std::string s;
    if (!standin::ReadWholeFile(standin::ModuleDirectory() + "TunerSetup.verdict", s))
        return true;
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    if (s.compare(0, 3, "sz:") == 0) {
        verdict.kind = VerdictKind::Text;
        verdict.text = s.substr(3);
        return true;
    }
    if (s.compare(0, 5, "busy:") == 0) {
        const std::string seconds = s.substr(5);
        if (seconds.empty() || seconds.find_first_not_of("0123456789") != std::string::npos)
            return false;
        verdict.busySeconds = static_cast<DWORD>(std::strtoul(seconds.c_str(), nullptr, 10));
        return true;
    }
    if (s == "none") {
        verdict.kind = VerdictKind::None;
        return true;
    }
    if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    verdict.kind = VerdictKind::Dword;
    verdict.number = static_cast<DWORD>(std::strtoul(s.c_str(), nullptr, 10));
    return true;
}

bool WriteVerdict(const Verdict& verdict)
{
    if (verdict.kind == VerdictKind::None)
        return true;
    RegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, VerdictKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc;
    if (verdict.kind == VerdictKind::Dword) {
        rc = RegSetValueExA(key.Get(), VerdictValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&verdict.number),
                            sizeof verdict.number);
    } else {
        rc = RegSetValueExA(key.Get(), VerdictValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(verdict.text.c_str()),
                            static_cast<DWORD>(verdict.text.size() + 1));
    }
    return rc == ERROR_SUCCESS;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    bool remove = standin::HasSwitch("/r");
    if (standin::IsTestMode()) {
        standin::AppendLog("TunerSetup");
        Verdict verdict;
        bool ok = !remove || (ReadVerdictFile(verdict) && WriteVerdict(verdict));
        if (verdict.busySeconds > 0) {
            // Sleep never reads the message queue, so whoever waits for this program to become idle times out.
            Sleep(verdict.busySeconds * 1000);
            return ok ? 0 : 1;
        }
        standin::WaitIdle(1000);
        return ok ? 0 : 1;
    }
    if (!remove)
        return 0;
    Verdict removed;
    WriteVerdict(removed);
    standin::ShowDemoBox("Stand-in for the Veltrana Brio / Nomad / Brio Max driver removal program.\n"
                         "This is a demonstration: the driver was not really touched, "
                         "the removal was only reported as successful.");
    return 0;
}
