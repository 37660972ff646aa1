// Prints what LinuxConnection finds: 1 or 0 for online, a blank, then the links that carry the
// default route, separated by commas ("1 v0,v2", "0 "). The namespace test runs it inside network
// namespaces it builds.
#include <cstdio>
#include <string>

#include "platform/linux/connection.h"

int main() {
    kivrel::LinuxConnection connection;
    std::string line = connection.Connected() ? "1 " : "0 ";
    const char* comma = "";
    for (const std::string& link : connection.RoutedLinks()) {
        line += comma;
        line += link;
        comma = ",";
    }
    std::puts(line.c_str());
    return 0;
}
