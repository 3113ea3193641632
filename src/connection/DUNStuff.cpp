#include "connection/DUNStuff.h"

#include <vector>

void HangUpAll(DialUpService& service) {
    std::vector<DialUpConnection> connections;
    if (!service.EnumConnections(connections)) return;
    for (const DialUpConnection& connection : connections)
        service.HangUp(connection.Handle);
}
