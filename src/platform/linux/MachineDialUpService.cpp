#include "platform/linux/MachineDialUpService.h"

#include "platform/linux/NetworkManagerDialUpService.h"
#include "platform/linux/PppdDialUpService.h"

std::unique_ptr<DialUpService> MakeMachineDialUpService() {
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (NetworkManagerDialUpService::IsRunning(bus))
        return std::make_unique<NetworkManagerDialUpService>(bus);
    return std::make_unique<PppdDialUpService>();
}
