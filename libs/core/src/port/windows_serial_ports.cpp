#include "port/windows_serial_ports.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
// windows.h first: SetupAPI's headers need its types.
#include <devguid.h>
#include <setupapi.h>
#endif

namespace plx71 {

namespace {

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// "COM10" after "COM9": the letters, then the number.
bool naturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        const auto digits = s.find_last_not_of("0123456789") + 1;
        const long n = digits < s.size() ? std::strtol(s.c_str() + digits, nullptr, 10) : -1;
        return std::pair{upper(s.substr(0, digits)), n};
    };
    return split(a) < split(b);
}

} // namespace

std::vector<SerialDevice> serialPortsFromMap(const std::vector<SerialCommEntry>& map,
                                             const std::map<std::string, std::string>& friendlyNames)
{
    std::vector<SerialDevice> out;
    for (const auto& entry : map) {
        std::string name = entry.portName;
        // REG_SZ data may carry its terminating zero; blanks are never part of a name.
        while (!name.empty() && (name.back() == '\0' || name.back() == ' '))
            name.pop_back();
        if (name.empty())
            continue;
        const std::string key = upper(name);
        if (std::any_of(out.begin(), out.end(), [&](const SerialDevice& d) { return d.canonical == key; }))
            continue;
        SerialDevice d;
        d.path = name;
        d.name = name;
        d.canonical = key;
        d.kernelDevice = entry.kernelDevice;
        if (auto it = friendlyNames.find(key); it != friendlyNames.end())
            d.friendlyName = it->second;
        // Windows grants COM ports to every user; only a holder stops an open.
        d.mayOpen = true;
        out.push_back(std::move(d));
    }
    std::sort(out.begin(), out.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return naturalLess(a.name, b.name); });
    return out;
}

#ifdef _WIN32

namespace {

std::string utf8(const wchar_t* text, std::size_t length)
{
    if (length == 0)
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, int(length), out.data(), n, nullptr, nullptr);
    return out;
}

std::vector<SerialCommEntry> readSerialComm()
{
    std::vector<SerialCommEntry> entries;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return entries;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[256];
        DWORD nameLength = DWORD(std::size(name));
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG rc =
            RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        entries.push_back({utf8(name, nameLength), utf8(data, dataBytes / sizeof(wchar_t))});
    }
    RegCloseKey(key);
    return entries;
}

// Port name -> friendly name, from the devices of the Ports class.
std::map<std::string, std::string> readFriendlyNames()
{
    std::map<std::string, std::string> names;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t port[64];
        DWORD bytes = sizeof port;
        DWORD type = 0;
        const bool havePort =
            RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &bytes) == ERROR_SUCCESS
            && type == REG_SZ;
        RegCloseKey(key);
        wchar_t friendly[256];
        DWORD friendlyBytes = 0;
        if (havePort
            && SetupDiGetDeviceRegistryPropertyW(set, &info, SPDRP_FRIENDLYNAME, nullptr,
                                                 reinterpret_cast<BYTE*>(friendly), sizeof friendly, &friendlyBytes)) {
            std::string f = utf8(friendly, friendlyBytes / sizeof(wchar_t));
            while (!f.empty() && f.back() == '\0')
                f.pop_back();
            std::string p = utf8(port, bytes / sizeof(wchar_t));
            while (!p.empty() && p.back() == '\0')
                p.pop_back();
            names[upper(p)] = f;
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return names;
}

} // namespace

std::vector<SerialDevice> windowsSerialPorts()
{
    return serialPortsFromMap(readSerialComm(), readFriendlyNames());
}

#else

std::vector<SerialDevice> windowsSerialPorts()
{
    return {};
}

#endif

} // namespace plx71
