// Prints 1 when LinuxConnection finds the machine online, 0 when not. The namespace test runs it
// inside network namespaces it builds.
#include <cstdio>

#include "platform/linux/connection.h"

int main() {
    kivrel::LinuxConnection connection;
    std::puts(connection.Connected() ? "1" : "0");
    return 0;
}
