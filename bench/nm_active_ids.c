/* The floor for a printout that asks NetworkManager: a bare C program that opens the system bus
 * with sd-bus and reads the active connections' ids, nothing else. bench/status_cost.sh builds it
 * and measures it beside kivrel --status --json. */
#include <stdio.h>
#include <stdlib.h>
#include <systemd/sd-bus.h>

int main(void) {
    sd_bus* bus = NULL;
    sd_bus_message* reply = NULL;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    const char* path;
    if (sd_bus_open_system(&bus) < 0)
        return 1;
    if (sd_bus_get_property(bus, "org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager",
                            "org.freedesktop.NetworkManager", "ActiveConnections", &error, &reply,
                            "ao") < 0 ||
        sd_bus_message_enter_container(reply, 'a', "o") < 0)
        return 1;
    while (sd_bus_message_read_basic(reply, 'o', &path) > 0) {
        char* id = NULL;
        if (sd_bus_get_property_string(bus, "org.freedesktop.NetworkManager", path,
                                       "org.freedesktop.NetworkManager.Connection.Active", "Id",
                                       &error, &id) >= 0)
            puts(id);
        free(id);
    }
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return 0;
}
