// The UDP endpoint's own words: its errors, the lines it gives a log (OnWarning), and its progress
// texts (OnStatus).
#pragma once

#include <cstddef>
#include <string>

#include "core/user_texts.h"

namespace ostrel {

struct UDPEndpointTexts : private TextTable {
    static const TextConstant InvalidStream;
    static UserText StreamTooLong(std::size_t bufferSize);
    static UserText RemoteHostTooLong(std::size_t longest);
    static const TextConstant NullRemoteAddress;
    static const TextConstant HostLookupCanceled;
    static UserText UnknownError(const std::string& number);
    static const TextConstant RangeCheckError;
    static const TextConstant StreamReadError;
    static const TextConstant NoNotifyWindow;
    // A WinSock error by its code, with the system's words for it where it has any.
    static UserText SocketError(const std::string& code, const std::string& systemText);
    static UserText SentFromAnotherPort(int port, const UserText& error);
    static UserText NotSent(int port, const UserText& error);
    static UserText NotSentNorAnother(int port, const UserText& error, const UserText& otherError);
};

// The progress texts, which reach only an application's OnStatus handler (Ostrel has none).
inline constexpr char kInitializingWinsock[] = "Initializing Winsock";
inline constexpr char kSendingData[] = "Sending Data";
inline constexpr char kCheckingError[] = "Checking Error In Error Manager";
inline constexpr char kLookingUpError[] = "Looking Up Error Message";

}  // namespace ostrel
