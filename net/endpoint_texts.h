// The UDP endpoint's own words: its errors, the lines it gives a log (OnWarning), and its progress
// texts (OnStatus).
#pragma once

#include <cstddef>
#include <string>

#include "core/user_texts.h"

namespace ostrel {

struct UDPEndpointTexts : private TextTable {
    static constexpr TextConstant InvalidStream = Constant("Invalid stream");
    static UserText StreamTooLong(std::size_t bufferSize) {
        return Filled("Stream longer than the send buffer of %1 bytes",
                      {std::to_string(bufferSize)});
    }
    static UserText RemoteHostTooLong(std::size_t longest) {
        return Filled("Remote host longer than %1 characters", {std::to_string(longest)});
    }
    static constexpr TextConstant NullRemoteAddress = Constant("Null Remote Address");
    static constexpr TextConstant HostLookupCanceled = Constant("Host Lookup Canceled");
    static UserText UnknownError(const std::string& number) {
        return Filled("Unknown Error No. %1", {number});
    }
    static constexpr TextConstant RangeCheckError = Constant("Range check error");
    static constexpr TextConstant StreamReadError = Constant("Stream read error");
    static constexpr TextConstant NoNotifyWindow =
        Constant("Cannot create the window for socket notices");
    // A WinSock error by its code, with the system's words for it where it has any.
    static UserText SocketError(const std::string& code, const std::string& systemText) {
        if (systemText.empty()) return Filled("error %1", {code});
        return Filled("error %1: %2", {code, systemText});
    }
    static UserText SentFromAnotherPort(int port, const UserText& error) {
        return Filled("UDP port %1 is not available (%2): the wake-up is sent from another port",
                      {std::to_string(port), error.String()});
    }
    static UserText NotSent(int port, const UserText& error) {
        return Filled("UDP port %1 is not available (%2): the wake-up is not sent",
                      {std::to_string(port), error.String()});
    }
    static UserText NotSentNorAnother(int port, const UserText& error, const UserText& otherError) {
        return Filled(
            "UDP port %1 is not available (%2), nor is another one (%3): the wake-up is not sent",
            {std::to_string(port), error.String(), otherError.String()});
    }
};

// The progress texts, which reach only an application's OnStatus handler (Ostrel has none).
inline constexpr char kInitializingWinsock[] = "Initializing Winsock";
inline constexpr char kSendingData[] = "Sending Data";
inline constexpr char kCheckingError[] = "Checking Error In Error Manager";
inline constexpr char kLookingUpError[] = "Looking Up Error Message";

}  // namespace ostrel
