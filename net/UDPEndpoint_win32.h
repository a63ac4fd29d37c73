// TUDPEndpoint over WinSock 1.1, with a message-only window for the socket's notices.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "net/UDPEndpoint.h"

namespace ostrel {

using DataReceivedHandler =
    std::function<void(int NumberBytes, const std::string& FromIP, int Port)>;

// Receives what a handler of a socket notice raised: an exception must not leave a window
// procedure, so the notify window hands it here instead (the application's error report).
// Without one the exception is dropped.
using NoticeErrorHandler = std::function<void(const std::exception& error)>;

std::unique_ptr<SocketLayer> CreateWinsockLayer(NoticeErrorHandler onError = {});

// The main window's UDPEndpoint1 with its stored values: RemoteHost "127.0.0.1", RemotePort
// 61000, LocalPort 61001 (bound), ReportLevel 1, OnDataReceived bound to `onDataReceived`.
std::unique_ptr<TUDPEndpoint> CreateUDPEndpoint1(DataReceivedHandler onDataReceived,
                                                 NoticeErrorHandler onError = {});

}  // namespace ostrel
