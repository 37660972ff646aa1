#include "rules/network.h"

#include "rules/link.h"

namespace kivrel {

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LinkMatches(a, b) && a.find_first_of("*?") == a.npos;
}

bool AnyMatches(const std::vector<std::string>& patterns, std::string_view name) {
    if (name.empty())
        return false;
    for (const std::string& pattern : patterns)
        if (LinkMatches(pattern, name))
            return true;
    return false;
}

// Whether `network` is billed by its name or its metered flag.
bool NetworkBilled(const LinkRule& rule, const ActiveNetwork& network) {
    return AnyMatches(rule.networks, network.id) || AnyMatches(rule.networks, network.ssid) ||
           (rule.metered && network.metered == true);
}

bool RunsOver(const ActiveNetwork& network, std::string_view link) {
    for (const std::string& device : network.devices)
        if (device == link)
            return true;
    return false;
}

}  // namespace

LinkRule ParseLinkRule(std::string_view value) {
    LinkRule rule;
    for (std::string& item : ParseLinkPatterns(value)) {
        if (item.size() > 4 && SameLetters(item.substr(0, 4), "net:")) {
            std::string_view name = std::string_view(item).substr(4);
            while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
                name.remove_prefix(1);
            if (!name.empty())
                rule.networks.emplace_back(name);
        } else if (SameLetters(item, "metered")) {
            rule.metered = true;
        } else {
            rule.interfaces.push_back(std::move(item));
        }
    }
    return rule;
}

std::string NetworkName(const ActiveNetwork& network) {
    return network.id.empty() ? network.ssid : network.id;
}

std::optional<BilledConnection> BilledOn(const LinkRule& rule, bool connected,
                                         const std::vector<std::string>& routed,
                                         const NetworkList* networks) {
    const bool looked = networks && networks->known;
    if (rule.Empty()) {
        if (!connected)
            return std::nullopt;
        return BilledConnection{routed.empty() ? std::string() : routed.front(), {}, {}};
    }
    static const std::vector<ActiveNetwork> kNone;
    const std::vector<ActiveNetwork>& list = looked ? networks->networks : kNone;
    for (const std::string& link : routed) {
        // The session is named after the network that matched, else the first one on the link.
        const ActiveNetwork *first = nullptr, *matched = nullptr;
        for (const ActiveNetwork& network : list) {
            if (!RunsOver(network, link))
                continue;
            if (!first)
                first = &network;
            if (!matched && NetworkBilled(rule, network))
                matched = &network;
        }
        if (!matched && !AnyMatches(rule.interfaces, link))
            continue;
        const ActiveNetwork* on = matched ? matched : first;
        if (!on)
            return BilledConnection{link, {}, {}};
        return BilledConnection{link, NetworkName(*on), on->metered};
    }
    return std::nullopt;
}

std::optional<bool> MeteredFromNetworkManager(uint32_t value) {
    switch (value) {
        case 1:
        case 3:
            return true;
        case 2:
        case 4:
            return false;
        default:
            return std::nullopt;
    }
}

std::optional<bool> MeteredFromConnectionCost(uint32_t cost) {
    if (cost & (2u | 4u))
        return true;
    if (cost & 1u)
        return false;
    return std::nullopt;
}

std::string NetworkWarning(const NetworkList& list) {
    return "无法得知计费网络（" +
           (list.why.empty() ? std::string("系统未提供网络信息") : list.why) +
           "）：net: 与 metered 不匹配任何连接";
}

HangUpPlan PlanHangUp(std::string_view link, const NetworkList& networks, bool command) {
    if (networks.known)
        for (const ActiveNetwork& network : networks.networks)
            if (network.type != "vpn" && RunsOver(network, link))
                return {HangUpMeans::Service, network.path};
    return {command ? HangUpMeans::Command : HangUpMeans::None, {}};
}

}  // namespace kivrel
