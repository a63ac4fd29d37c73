#include "net/endpoint_texts.h"

namespace ostrel {

const TextConstant UDPEndpointTexts::InvalidStream = Constant("Invalid stream");
UserText UDPEndpointTexts::StreamTooLong(std::size_t bufferSize) {
    return Filled("Stream longer than the send buffer of %1 bytes", {std::to_string(bufferSize)});
}
UserText UDPEndpointTexts::RemoteHostTooLong(std::size_t longest) {
    return Filled("Remote host longer than %1 characters", {std::to_string(longest)});
}
const TextConstant UDPEndpointTexts::NullRemoteAddress = Constant("Null Remote Address");
const TextConstant UDPEndpointTexts::HostLookupCanceled = Constant("Host Lookup Canceled");
UserText UDPEndpointTexts::UnknownError(const std::string& number) {
    return Filled("Unknown Error No. %1", {number});
}
const TextConstant UDPEndpointTexts::RangeCheckError = Constant("Range check error");
const TextConstant UDPEndpointTexts::StreamReadError = Constant("Stream read error");
const TextConstant UDPEndpointTexts::NoNotifyWindow =
    Constant("Cannot create the window for socket notices");
UserText UDPEndpointTexts::SocketError(const std::string& code, const std::string& systemText) {
    if (systemText.empty()) return Filled("error %1", {code});
    return Filled("error %1: %2", {code, systemText});
}
UserText UDPEndpointTexts::SentFromAnotherPort(int port, const UserText& error) {
    return Filled("UDP port %1 is not available (%2): the wake-up is sent from another port",
                  {std::to_string(port), error.String()});
}
UserText UDPEndpointTexts::NotSent(int port, const UserText& error) {
    return Filled("UDP port %1 is not available (%2): the wake-up is not sent",
                  {std::to_string(port), error.String()});
}
UserText UDPEndpointTexts::NotSentNorAnother(int port, const UserText& error,
                                             const UserText& otherError) {
    return Filled(
        "UDP port %1 is not available (%2), nor is another one (%3): the wake-up is not sent",
        {std::to_string(port), error.String(), otherError.String()});
}

}  // namespace ostrel
