#pragma once

#include "connection/DialUpService.h"

#include <memory>

// The dial-up lines of this machine: NetworkManager's when it is on the system bus, else pppd's own.
// Needs a QCoreApplication, whose event loop keeps NetworkManager's mirror current.
std::unique_ptr<DialUpService> MakeMachineDialUpService();
