#include "platform/win32/networks.h"

// The socket headers come before the IP helper's.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netlistmgr.h>
#include <objbase.h>
#include <windows.h>
#include <wlanapi.h>

#include "platform/win32/text.h"

namespace kivrel {

std::vector<unsigned char> AdapterList() {
    constexpr ULONG kFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST |
                             GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    std::vector<unsigned char> buffer;
    ULONG size = 16 * 1024;
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        rc = GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (rc != NO_ERROR)
        buffer.clear();
    return buffer;
}

namespace {

bool SameGuid(const std::string& a, const std::string& b) {
    return !a.empty() && a.size() == b.size() &&
           CompareStringOrdinal(Widen(a).c_str(), -1, Widen(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    return StringFromGUID2(guid, text, 40) > 0 ? Narrow(text) : std::string();
}

// Releases a COM interface at the end of its scope.
template <typename T>
struct Held {
    T* p = nullptr;
    ~Held() {
        if (p)
            p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

std::vector<NlmConnection> ReadConnections(INetworkListManager* manager) {
    std::vector<NlmConnection> found;
    Held<IEnumNetworkConnections> connections;
    if (FAILED(manager->GetNetworkConnections(connections.out())) || !connections.p)
        return found;
    for (;;) {
        Held<INetworkConnection> connection;
        ULONG fetched = 0;
        if (connections->Next(1, connection.out(), &fetched) != S_OK || !connection.p)
            break;
        NlmConnection one;
        GUID guid{};
        if (SUCCEEDED(connection->GetAdapterId(&guid)))
            one.adapter = GuidText(guid);
        Held<INetwork> network;
        if (SUCCEEDED(connection->GetNetwork(network.out())) && network.p) {
            BSTR name = nullptr;
            if (SUCCEEDED(network->GetName(&name)) && name) {
                one.name = Narrow(name);
                SysFreeString(name);
            }
            if (SUCCEEDED(network->GetNetworkId(&guid)))
                one.networkId = GuidText(guid);
        }
        Held<INetworkConnectionCost> cost;
        DWORD value = 0;
        if (SUCCEEDED(connection->QueryInterface(IID_INetworkConnectionCost,
                                                 reinterpret_cast<void**>(cost.out()))) &&
            cost.p && SUCCEEDED(cost->GetCost(&value)))
            one.cost = value;
        found.push_back(std::move(one));
    }
    return found;
}

std::vector<AdapterName> ReadAdapters() {
    std::vector<AdapterName> adapters;
    const std::vector<unsigned char> buffer = AdapterList();
    if (buffer.empty())
        return adapters;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next)
        adapters.push_back({a->AdapterName ? a->AdapterName : "",
                            a->FriendlyName ? Narrow(a->FriendlyName) : std::string()});
    return adapters;
}

// The SSIDs of the Wi-Fi interfaces that are connected; none where the WLAN service or its
// library is missing.
std::vector<WlanConnection> ReadWlans() {
    std::vector<WlanConnection> wlans;
    // From the system folder only, never from beside the program.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return wlans;
    HMODULE library = LoadLibraryW((std::wstring(folder) + L"\\wlanapi.dll").c_str());
    if (!library)
        return wlans;
    const auto open = reinterpret_cast<decltype(&WlanOpenHandle)>(
        reinterpret_cast<void*>(GetProcAddress(library, "WlanOpenHandle")));
    const auto close = reinterpret_cast<decltype(&WlanCloseHandle)>(
        reinterpret_cast<void*>(GetProcAddress(library, "WlanCloseHandle")));
    const auto enumerate = reinterpret_cast<decltype(&WlanEnumInterfaces)>(
        reinterpret_cast<void*>(GetProcAddress(library, "WlanEnumInterfaces")));
    const auto query = reinterpret_cast<decltype(&WlanQueryInterface)>(
        reinterpret_cast<void*>(GetProcAddress(library, "WlanQueryInterface")));
    const auto release = reinterpret_cast<decltype(&WlanFreeMemory)>(
        reinterpret_cast<void*>(GetProcAddress(library, "WlanFreeMemory")));
    DWORD version = 0;
    HANDLE client = nullptr;
    if (open && close && enumerate && query && release &&
        open(2, nullptr, &version, &client) == ERROR_SUCCESS) {
        WLAN_INTERFACE_INFO_LIST* interfaces = nullptr;
        if (enumerate(client, nullptr, &interfaces) == ERROR_SUCCESS && interfaces) {
            for (DWORD i = 0; i < interfaces->dwNumberOfItems; ++i) {
                const WLAN_INTERFACE_INFO& info = interfaces->InterfaceInfo[i];
                if (info.isState != wlan_interface_state_connected)
                    continue;
                DWORD size = 0;
                WLAN_CONNECTION_ATTRIBUTES* attributes = nullptr;
                if (query(client, &info.InterfaceGuid, wlan_intf_opcode_current_connection, nullptr,
                          &size, reinterpret_cast<void**>(&attributes), nullptr) != ERROR_SUCCESS ||
                    !attributes)
                    continue;
                const DOT11_SSID& ssid = attributes->wlanAssociationAttributes.dot11Ssid;
                wlans.push_back(
                    {GuidText(info.InterfaceGuid),
                     std::string(reinterpret_cast<const char*>(ssid.ucSSID),
                                 ssid.uSSIDLength > DOT11_SSID_MAX_LENGTH ? DOT11_SSID_MAX_LENGTH
                                                                          : ssid.uSSIDLength)});
                release(attributes);
            }
            release(interfaces);
        }
        close(client, nullptr);
    }
    FreeLibrary(library);
    return wlans;
}

}  // namespace

std::vector<ActiveNetwork> JoinNetworks(const std::vector<NlmConnection>& connections,
                                        const std::vector<AdapterName>& adapters,
                                        const std::vector<WlanConnection>& wlans) {
    std::vector<ActiveNetwork> networks;
    for (const NlmConnection& c : connections) {
        ActiveNetwork network;
        network.path = c.networkId;
        network.id = c.name;
        for (const AdapterName& adapter : adapters)
            if (SameGuid(adapter.guid, c.adapter) && !adapter.friendlyName.empty())
                network.devices = {adapter.friendlyName};
        for (const WlanConnection& wlan : wlans)
            if (SameGuid(wlan.guid, c.adapter)) {
                network.type = "wlan";
                network.ssid = wlan.ssid;
            }
        if (c.cost)
            network.metered = MeteredFromConnectionCost(*c.cost);
        networks.push_back(std::move(network));
    }
    return networks;
}

NetworkList QueryWindowsNetworks() {
    NetworkList list;
    // The tray program's thread may have COM already; only what is started here is ended here.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Held<INetworkListManager> manager;
        if (FAILED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL,
                                    IID_INetworkListManager,
                                    reinterpret_cast<void**>(manager.out()))) ||
            !manager.p) {
            list.why = "网络列表管理器不可用";
        } else {
            list.known = true;
            list.networks = JoinNetworks(ReadConnections(manager.p), ReadAdapters(), ReadWlans());
        }
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return list;
}

}  // namespace kivrel
