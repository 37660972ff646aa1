#include "platform/linux/network_manager.h"

#include <dlfcn.h>
#include <systemd/sd-bus.h>

#include <cstring>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <vector>

namespace kivrel {

namespace {

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
// A printout must not hang on a daemon that does not answer.
constexpr uint64_t kCallMicroseconds = 2'000'000;
// Ending a connection may wait for polkit to ask the user.
constexpr uint64_t kDeactivateMicroseconds = 25'000'000;

// The sd-bus functions used here, looked up in the library once it is loaded.
struct SdBus {
    void* library = nullptr;
#define KIVREL_SD(name) decltype(&::name) name = nullptr;
    KIVREL_SD(sd_bus_open_system)
    KIVREL_SD(sd_bus_flush_close_unref)
    KIVREL_SD(sd_bus_message_new_method_call)
    KIVREL_SD(sd_bus_message_set_auto_start)
    KIVREL_SD(sd_bus_message_set_allow_interactive_authorization)
    KIVREL_SD(sd_bus_message_append)
    KIVREL_SD(sd_bus_call)
    KIVREL_SD(sd_bus_message_unref)
    KIVREL_SD(sd_bus_error_free)
    KIVREL_SD(sd_bus_message_enter_container)
    KIVREL_SD(sd_bus_message_exit_container)
    KIVREL_SD(sd_bus_message_read_basic)
    KIVREL_SD(sd_bus_message_read_array)
    KIVREL_SD(sd_bus_message_skip)
#undef KIVREL_SD

    bool Load() {
        library = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return false;
        bool all = true;
        const auto find = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                ::dlsym(library, name));
            all = all && function;
        };
#define KIVREL_SD(name) find(name, #name);
        KIVREL_SD(sd_bus_open_system)
        KIVREL_SD(sd_bus_flush_close_unref)
        KIVREL_SD(sd_bus_message_new_method_call)
        KIVREL_SD(sd_bus_message_set_auto_start)
        KIVREL_SD(sd_bus_message_set_allow_interactive_authorization)
        KIVREL_SD(sd_bus_message_append)
        KIVREL_SD(sd_bus_call)
        KIVREL_SD(sd_bus_message_unref)
        KIVREL_SD(sd_bus_error_free)
        KIVREL_SD(sd_bus_message_enter_container)
        KIVREL_SD(sd_bus_message_exit_container)
        KIVREL_SD(sd_bus_message_read_basic)
        KIVREL_SD(sd_bus_message_read_array)
        KIVREL_SD(sd_bus_message_skip)
#undef KIVREL_SD
        return all;
    }
};

// One reply, released with the library's own function.
class Reply {
  public:
    Reply(const SdBus& sd, sd_bus_message* m) : sd_(sd), m_(m) {}
    ~Reply() {
        if (m_)
            sd_.sd_bus_message_unref(m_);
    }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    sd_bus_message* get() const { return m_; }

  private:
    const SdBus& sd_;
    sd_bus_message* m_;
};

bool Named(const char* name, std::initializer_list<const char*> names) {
    for (const char* one : names)
        if (name && std::strcmp(name, one) == 0)
            return true;
    return false;
}

// The service is not on the bus (and must not be started).
bool Absent(const char* errorName) {
    return Named(errorName, {"org.freedesktop.DBus.Error.ServiceUnknown",
                             "org.freedesktop.DBus.Error.NameHasNoOwner"});
}

}  // namespace

HangUpResult DeactivateResult(int rc, const char* errorName, const char* errorMessage) {
    if (rc >= 0)
        return {true, ""};
    const std::string message = errorMessage && *errorMessage ? errorMessage : "";
    if (Named(errorName, {"org.freedesktop.NetworkManager.PermissionDenied",
                          "org.freedesktop.DBus.Error.AccessDenied",
                          "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"}))
        return {false, "NetworkManager 不允许断开" + (message.empty() ? "" : "：" + message)};
    if (Absent(errorName))
        return {false, "NetworkManager 未运行"};
    if (!errorName || Named(errorName, {"org.freedesktop.DBus.Error.NoReply",
                                        "org.freedesktop.DBus.Error.Timeout"}))
        return {false, "NetworkManager 没有回答"};
    return {false, "NetworkManager 未能断开：" + (message.empty() ? errorName : message)};
}

struct NetworkManagerClient::Bus {
    SdBus sd;
    bool loaded = false;
    sd_bus* bus = nullptr;
    std::string failure;  // why the latest call failed

    ~Bus() {
        if (bus)
            sd.sd_bus_flush_close_unref(bus);
        // The library stays loaded: sd-bus keeps thread-local state that outlives the bus.
    }

    void Drop() {
        if (bus)
            sd.sd_bus_flush_close_unref(bus);
        bus = nullptr;
    }

    // A Properties call (`method` Get or GetAll) on one of NetworkManager's objects; the reply
    // is read from its first value on. Null with `failure` said when it failed.
    sd_bus_message* Properties(const char* method, const std::string& path, const char* interface,
                               const char* property) {
        sd_bus_message* call = nullptr;
        if (sd.sd_bus_message_new_method_call(bus, &call, kService, path.c_str(), kProperties,
                                              method) < 0)
            return Fail("无法向 D-Bus 发送请求");
        Reply request(sd, call);
        // Asking must not start NetworkManager where it is installed but not running.
        sd.sd_bus_message_set_auto_start(call, 0);
        const int appended = property ? sd.sd_bus_message_append(call, "ss", interface, property)
                                      : sd.sd_bus_message_append(call, "s", interface);
        if (appended < 0)
            return Fail("无法向 D-Bus 发送请求");
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int rc = sd.sd_bus_call(bus, call, kCallMicroseconds, &error, &reply);
        if (rc < 0) {
            const bool absent = Absent(error.name);
            sd.sd_bus_error_free(&error);
            return Fail(absent ? "NetworkManager 未运行" : "NetworkManager 没有回答");
        }
        sd.sd_bus_error_free(&error);
        return reply;
    }

    // The library loaded and the system bus open; false with `failure` said otherwise.
    bool Open() {
        if (!loaded && !(loaded = sd.Load())) {
            failure = "找不到 libsystemd，无法询问 NetworkManager";
            return false;
        }
        if (!bus && sd.sd_bus_open_system(&bus) < 0) {
            bus = nullptr;
            failure = "无法连接系统 D-Bus";
            return false;
        }
        return true;
    }

    sd_bus_message* Fail(const char* why) {
        failure = why;
        return nullptr;
    }

    // A string, an object path or an array of them inside the variant the reader is at.
    bool ReadText(sd_bus_message* m, char type, std::string& out) {
        const char contents[2] = {type, '\0'};
        const char* text = nullptr;
        if (sd.sd_bus_message_enter_container(m, 'v', contents) <= 0 ||
            sd.sd_bus_message_read_basic(m, type, &text) < 0)
            return false;
        out = text ? text : "";
        return sd.sd_bus_message_exit_container(m) >= 0;
    }

    bool ReadPaths(sd_bus_message* m, std::vector<std::string>& out) {
        if (sd.sd_bus_message_enter_container(m, 'v', "ao") <= 0 ||
            sd.sd_bus_message_enter_container(m, 'a', "o") < 0)
            return false;
        const char* path = nullptr;
        while (sd.sd_bus_message_read_basic(m, 'o', &path) > 0)
            out.emplace_back(path);
        return sd.sd_bus_message_exit_container(m) >= 0 && sd.sd_bus_message_exit_container(m) >= 0;
    }

    bool ReadUint(sd_bus_message* m, uint32_t& out) {
        return sd.sd_bus_message_enter_container(m, 'v', "u") > 0 &&
               sd.sd_bus_message_read_basic(m, 'u', &out) >= 0 &&
               sd.sd_bus_message_exit_container(m) >= 0;
    }

    // GetAll's dictionary: `onValue(name)` reads the variant of a property it wants and returns
    // true; any other is skipped.
    template <typename F>
    bool ForEachProperty(sd_bus_message* m, F onValue) {
        if (sd.sd_bus_message_enter_container(m, 'a', "{sv}") < 0)
            return false;
        for (;;) {
            const int entered = sd.sd_bus_message_enter_container(m, 'e', "sv");
            if (entered < 0)
                return false;
            if (entered == 0)
                break;
            const char* name = nullptr;
            if (sd.sd_bus_message_read_basic(m, 's', &name) < 0)
                return false;
            if (!onValue(std::string(name ? name : "")) && sd.sd_bus_message_skip(m, "v") < 0)
                return false;
            if (sd.sd_bus_message_exit_container(m) < 0)
                return false;
        }
        return sd.sd_bus_message_exit_container(m) >= 0;
    }

    // One device's interface names and its Metered value.
    void ReadDevice(const std::string& path, ActiveNetwork& network) {
        Reply reply(sd,
                    Properties("GetAll", path, "org.freedesktop.NetworkManager.Device", nullptr));
        if (!reply.get())
            return;
        std::string ip, own;
        uint32_t metered = 0;
        ForEachProperty(reply.get(), [&](const std::string& name) {
            if (name == "IpInterface")
                return ReadText(reply.get(), 's', ip);
            if (name == "Interface")
                return ReadText(reply.get(), 's', own);
            if (name == "Metered")
                return ReadUint(reply.get(), metered);
            return false;
        });
        for (const std::string& name : {ip, own})
            if (!name.empty() && (network.devices.empty() || network.devices.back() != name))
                network.devices.push_back(name);
        if (!network.metered)
            network.metered = MeteredFromNetworkManager(metered);
    }

    std::string Ssid(const std::string& accessPoint) {
        Reply reply(sd, Properties("Get", accessPoint, "org.freedesktop.NetworkManager.AccessPoint",
                                   "Ssid"));
        const void* bytes = nullptr;
        size_t size = 0;
        if (!reply.get() || sd.sd_bus_message_enter_container(reply.get(), 'v', "ay") <= 0 ||
            sd.sd_bus_message_read_array(reply.get(), 'y', &bytes, &size) < 0 || !bytes)
            return {};
        return std::string(static_cast<const char*>(bytes), size);
    }

    std::optional<ActiveNetwork> ReadActive(const std::string& path) {
        Reply reply(sd, Properties("GetAll", path,
                                   "org.freedesktop.NetworkManager.Connection.Active", nullptr));
        if (!reply.get())
            return std::nullopt;
        ActiveNetwork network;
        network.path = path;
        std::vector<std::string> devices;
        std::string accessPoint;
        const bool read = ForEachProperty(reply.get(), [&](const std::string& name) {
            if (name == "Id")
                return ReadText(reply.get(), 's', network.id);
            if (name == "Type")
                return ReadText(reply.get(), 's', network.type);
            if (name == "Devices")
                return ReadPaths(reply.get(), devices);
            if (name == "SpecificObject")
                return ReadText(reply.get(), 'o', accessPoint);
            return false;
        });
        if (!read)
            return std::nullopt;
        for (const std::string& device : devices)
            ReadDevice(device, network);
        if (network.type == "802-11-wireless" && !accessPoint.empty() && accessPoint != "/")
            network.ssid = Ssid(accessPoint);
        return network;
    }
};

NetworkManagerClient::NetworkManagerClient() : bus_(std::make_unique<Bus>()) {}
NetworkManagerClient::~NetworkManagerClient() = default;

NetworkList NetworkManagerClient::ActiveNetworks() {
    Bus& b = *bus_;
    NetworkList list;
    if (!b.Open()) {
        list.why = b.failure;
        return list;
    }
    Reply reply(b.sd, b.Properties("Get", "/org/freedesktop/NetworkManager", kService,
                                   "ActiveConnections"));
    std::vector<std::string> paths;
    if (!reply.get() || !b.ReadPaths(reply.get(), paths)) {
        list.why = reply.get() ? "NetworkManager 的回答无法读取" : b.failure;
        b.Drop();  // the next look opens the bus anew
        return list;
    }
    list.known = true;
    // A connection that went away between the two calls is simply not up any more.
    for (const std::string& path : paths)
        if (std::optional<ActiveNetwork> network = b.ReadActive(path))
            list.networks.push_back(std::move(*network));
    return list;
}

HangUpResult NetworkManagerClient::Deactivate(const std::string& path) {
    Bus& b = *bus_;
    if (!b.Open())
        return {false, b.failure};
    sd_bus_message* call = nullptr;
    if (b.sd.sd_bus_message_new_method_call(b.bus, &call, kService,
                                            "/org/freedesktop/NetworkManager", kService,
                                            "DeactivateConnection") < 0)
        return {false, "无法向 D-Bus 发送请求"};
    Reply request(b.sd, call);
    b.sd.sd_bus_message_set_auto_start(call, 0);
    // polkit may ask the user for a password where its rule says so.
    b.sd.sd_bus_message_set_allow_interactive_authorization(call, 1);
    if (b.sd.sd_bus_message_append(call, "o", path.c_str()) < 0)
        return {false, "无法向 D-Bus 发送请求"};
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int rc = b.sd.sd_bus_call(b.bus, call, kDeactivateMicroseconds, &error, &reply);
    Reply answer(b.sd, reply);
    HangUpResult result = DeactivateResult(rc, error.name, error.message);
    b.sd.sd_bus_error_free(&error);
    if (!result.done)
        b.Drop();  // a bus that failed is opened anew next time
    return result;
}

}  // namespace kivrel
