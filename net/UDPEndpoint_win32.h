// TUDPEndpoint over WinSock 1.1, with a message-only window for the socket's notices.
#pragma once

#include <memory>

#include "core/errors.h"
#include "net/UDPEndpoint.h"

namespace ostrel {

// What a handler of a socket notice raises goes to `errors` (the application's error report); an
// exception must not leave a window procedure. Without one it is dropped.
std::unique_ptr<SocketLayer> CreateWinsockLayer(ErrorReporter* errors = nullptr);

}  // namespace ostrel
