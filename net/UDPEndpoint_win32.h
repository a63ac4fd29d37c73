// TUDPEndpoint over WinSock 1.1.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/UDPEndpoint.h"

namespace ostrel {

using DataReceivedHandler =
    std::function<void(int NumberBytes, const std::string& FromIP, int Port)>;

// The main window's UDPEndpoint1 with its stored values: RemoteHost "127.0.0.1", RemotePort
// 61000, LocalPort 61001 (bound), ReportLevel 1, OnDataReceived bound to `onDataReceived`.
std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived);

}  // namespace ostrel
