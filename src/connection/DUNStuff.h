#pragma once

#include "connection/DialUpService.h"

// Starts hanging up every listed connection, first listed first, dialling ones included.
// Never waits for a line to drop; failures are silent and one doesn't stop the others.
void HangUpAll(DialUpService& service);
