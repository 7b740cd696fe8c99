// platform/Registry.cpp: TRegistry on top of the advapi32 registry calls.
#include "platform/Registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/Error.h"
#include "core/LocaleRules.h"
#include "platform/SystemLibrary.h"

namespace {

bool IsNtFamily()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

UINT DefaultAnsiCodePage(LCID locale)
{
    char digits[8] = {};
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof(digits)) == 0)
        return GetACP();
    return static_cast<UINT>(std::strtoul(digits, nullptr, 10));
}

bool CodePageHasLeadBytes(UINT codePage)
{
    CPINFO info = {};
    return GetCPInfo(codePage, &info) && info.LeadByte[0] != 0;
}

bool SubkeyNameLengthIsDoubled()
{
    const LCID locale = GetThreadLocale();
    return DoublesSubkeyNameLength(IsNtFamily(), PRIMARYLANGID(LANGIDFROMLCID(locale)),
                                   CodePageHasLeadBytes(DefaultAnsiCodePage(locale)));
}

// Decided once, before the entry runs.
const bool doubleSubkeyNameLength = SubkeyNameLengthIsDoubled();

// Puts one key in place of the other for the lifetime of the guard.
class KeyStandIn {
public:
    KeyStandIn(RegKey& field, RegKey& standIn) : field_(field), standIn_(standIn) { field_.Swap(standIn_); }
    ~KeyStandIn() { field_.Swap(standIn_); }
    KeyStandIn(const KeyStandIn&) = delete;
    KeyStandIn& operator=(const KeyStandIn&) = delete;

private:
    RegKey& field_;
    RegKey& standIn_;
};

// RegDeleteKeyA cannot choose a registry view; where the access names one
// (KEY_WOW64_64KEY or KEY_WOW64_32KEY) the key is deleted in that view.
// RegDeleteKeyExA is looked up at run time: 32-bit Windows XP lacks it, and
// has only the one view.
bool DeleteKey(HKEY base, const std::string& path, REGSAM access)
{
    using RegDeleteKeyExFn = LSTATUS(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    const REGSAM view = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    const auto deleteInView = NewerFunction<RegDeleteKeyExFn>("advapi32.dll", "RegDeleteKeyExA");
    if (view != 0 && deleteInView != nullptr)
        return deleteInView(base, path.c_str(), view, 0) == ERROR_SUCCESS;
    return RegDeleteKeyA(base, path.c_str()) == ERROR_SUCCESS;
}

ValueShape ShapeOf(DWORD type)
{
    switch (type) {
    case REG_SZ:
        return ValueShape::Text;
    case REG_MULTI_SZ:
        return ValueShape::TextList;
    default:
        return ValueShape::Other;
    }
}

Error RegistryError(const char* text, const std::string& name)
{
    return Error(ErrorKind::ERegistryException, text + ("'" + name + "'"));
}

}  // namespace

TRegistry::TRegistry(REGSAM access) : access_(access) {}

TRegistry::~TRegistry() { CloseCurrentKey(); }

void TRegistry::UseRootKey(HKEY key)
{
    if (key == rootKey_)
        return;
    CloseCurrentKey();
    rootKey_ = key;
}

void TRegistry::CloseCurrentKey()
{
    if (!currentKey_.IsOpen())
        return;
    currentKey_.Close();
    currentPath_.clear();
}

HKEY TRegistry::BaseKey(const ResolvedKeyPath& resolved) const
{
    return resolved.fromCurrentKey ? currentKey_.Get() : rootKey_;
}

bool TRegistry::DeleteKeyTree(const std::string& path)
{
    const ResolvedKeyPath resolved = ResolveKeyPath(path, currentKey_.IsOpen());
    const HKEY base = BaseKey(resolved);
    RegKey key = RegKey::Open(base, resolved.path, access_);
    if (key.IsOpen()) {
        // The subkey names are relative paths, so the opened key stands in
        // for the current key while they are deleted; the current path stays.
        KeyStandIn standIn(currentKey_, key);
        DeleteSubkeysOfCurrentKey();
    }
    return DeleteKey(base, resolved.path, access_);
}

void TRegistry::DeleteSubkeysOfCurrentKey()
{
    for (const std::string& name : SubkeyNames())
        DeleteKeyTree(name);
}

std::vector<std::string> TRegistry::SubkeyNames() const
{
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(currentKey_.Get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    if (doubleSubkeyNameLength)
        longest *= 2;
    std::vector<char> name(longest + 1);
    std::vector<std::string> names;
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = longest + 1;
        if (RegEnumKeyExA(currentKey_.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS)
            names.emplace_back(name.data(), std::min<DWORD>(length, longest));
    }
    return names;
}

bool TRegistry::OpenOrCreateKey(const std::string& path)
{
    return MakeCurrentKey(path, true);
}

bool TRegistry::OpenKey(const std::string& path)
{
    return MakeCurrentKey(path, false);
}

bool TRegistry::MakeCurrentKey(const std::string& path, bool create)
{
    const ResolvedKeyPath resolved = ResolveKeyPath(path, currentKey_.IsOpen());
    const HKEY base = BaseKey(resolved);
    RegKey key = create && !resolved.path.empty() ? RegKey::Create(base, resolved.path, access_)
                                                  : RegKey::Open(base, resolved.path, access_);
    if (!key.IsOpen())
        return false;
    std::string newPath = JoinCurrentPath(currentPath_, resolved);
    CloseCurrentKey();
    currentKey_ = std::move(key);
    currentPath_ = std::move(newPath);
    return true;
}

std::int32_t TRegistry::ReadIntegerValue(const std::string& name) const
{
    DWORD type = REG_NONE;
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS)
        throw RegistryError("Failed to get data for ", name);
    // Text, expandable text and binary values are other types than an integer.
    if (type != REG_DWORD)
        throw RegistryError("Invalid data type for ", name);
    std::int32_t value = 0;
    std::memcpy(&value, data, sizeof(value));
    return value;
}

StoredValue TRegistry::ReadStoredValue(const std::string& name) const
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::string bytes(size, '\0');
    // A value that grew since its size was asked for reads as no value.
    if (RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                         &size) != ERROR_SUCCESS)
        return {};
    bytes.resize(std::min<std::size_t>(size, bytes.size()));
    return {ShapeOf(type), bytes};
}
