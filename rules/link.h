// The billed link: the one connection the provider bills. Settings name it as a comma-separated
// list of interface names that may hold the wildcards * and ? (`ppp*,wwan0`), compared without
// regard to ASCII letter case; with no name, every connection counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrel {

// The names of a `Link` value, blanks around each dropped, empty ones left out.
std::vector<std::string> ParseLinkPatterns(std::string_view value);

// Whether `name` matches `pattern`: * stands for any run of characters (also none), ? for one
// byte; letters compare without regard to ASCII case.
bool LinkMatches(std::string_view pattern, std::string_view name);

// The link whose time counts at this tick, none when the billed link is offline. `connected` is
// the system's answer to "is the machine online"; `routed` the interfaces that carry a usable
// default route, in the system's order. With no patterns any connection counts and is named
// after the first routed interface (empty when the system names none); with patterns, the first
// routed interface that one of them matches.
std::optional<std::string> BilledLink(const std::vector<std::string>& patterns, bool connected,
                                      const std::vector<std::string>& routed);

}  // namespace kivrel
