// The UDP endpoint driven by the fuzzer through a socket layer in memory: datagrams of any size
// and sender, window messages of any kind, sends of any stream to any host, new local ports, and
// wake-up texts built from any date and time formats.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/errors.h"
#include "tests/fakes/fake_socket_layer.h"
#include "handover/wake_up.h"
#include "net/UDPEndpoint.h"

namespace {

using ostrel::test::FakeSocketLayer;

void Require(bool condition) {
    if (!condition) std::abort();
}

class FuzzedFormat : public ostrel::DateTimeFormat {
  public:
    FuzzedFormat(std::string date, std::string time)
        : date_(std::move(date)), time_(std::move(time)) {}
    std::string ShortDate(const ostrel::LocalTime&) override { return date_; }
    std::string LongTime(const ostrel::LocalTime&) override { return time_; }
    std::string InAnsiCodePage(const std::string& text) override { return text; }

  private:
    std::string date_;
    std::string time_;
};

class NullLog : public ostrel::Log {
  public:
    void Add(const ostrel::UserText&) override {}
    void Clear() override {}
};

std::string Bytes(FuzzedDataProvider& input, std::size_t most) {
    const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, most);
    return input.ConsumeBool() ? std::string(size, input.ConsumeIntegral<char>())
                               : input.ConsumeRandomLengthString(size);
}

ostrel::SocketAddress Peer(FuzzedDataProvider& input) {
    ostrel::SocketAddress peer;
    peer.family = ostrel::kAddressFamilyInet;
    peer.port = input.ConsumeIntegral<std::uint16_t>();
    peer.address = input.ConsumeIntegral<std::uint32_t>();
    return peer;
}

class Session {
  public:
    Session(FuzzedDataProvider& input, FakeSocketLayer& layer, ostrel::TUDPEndpoint& endpoint)
        : input_(input), layer_(layer), endpoint_(endpoint) {
        endpoint_.OnDataReceived = [this](ostrel::TUDPEndpoint&, std::int32_t NumberBytes,
                                          const std::string& FromIP, std::int32_t) {
            Require(NumberBytes == expectedCount_);
            Require(FromIP.size() >= 7 && FromIP.size() <= 15);
        };
    }

    void Step() {
        switch (input_.ConsumeIntegralInRange(0, 5)) {
            case 0:
                return ReceiveDatagram();
            case 1:
                return DeliverAnyMessage();
            case 2:
                return endpoint_.SetLocalPort(input_.ConsumeIntegral<std::int32_t>());
            case 3:
                return Send();
            case 4:
                return WakeUp();
            default:
                return StreamHandler();
        }
    }

  private:
    void ReceiveDatagram() {
        const std::string datagram = Bytes(input_, 70000);
        layer_.incoming.push_back({0, datagram, Peer(input_)});
        expectedCount_ = datagram.size() > ostrel::kReceiveBufferSize
                             ? -1
                             : static_cast<std::int32_t>(datagram.size());
        const std::intptr_t error = input_.ConsumeIntegral<std::uint16_t>();
        layer_.Deliver({ostrel::kSocketNotifyMessage, 0, error << 16 | 1});
        Require(endpoint_.GetReceivedCount() == expectedCount_);
        layer_.incoming.clear();
    }

    // Read notices with nothing to read, lookup completions nobody waits for, other messages.
    void DeliverAnyMessage() {
        expectedCount_ = -1;
        const unsigned message = input_.ConsumeBool() ? ostrel::kSocketNotifyMessage
                                                      : input_.ConsumeIntegral<unsigned>();
        layer_.Deliver({message, input_.ConsumeIntegral<std::uintptr_t>(),
                        input_.ConsumeIntegral<std::intptr_t>()});
        Require(endpoint_.GetReceivedCount() >= -1 &&
                endpoint_.GetReceivedCount() <= static_cast<int>(ostrel::kReceiveBufferSize));
    }

    void Send() {
        endpoint_.RemoteHost = input_.ConsumeBool() ? "127.0.0.1" : Bytes(input_, 200);
        endpoint_.RemotePort = input_.ConsumeIntegral<std::int32_t>();
        const int answers = input_.ConsumeIntegralInRange(0, 2);
        for (int i = 0; i < answers; ++i) {
            layer_.lookupAnswers.push_back({input_.ConsumeBool(),
                                            input_.ConsumeIntegral<std::uint16_t>(),
                                            input_.ConsumeIntegral<std::uint32_t>()});
        }
        endpoint_.OnInvalidHost = [this](bool& handled) { handled = input_.ConsumeBool(); };
        const std::string content = Bytes(input_, 3000);
        ostrel::MemoryStream stream;
        stream.Write(content.data(), content.size());
        const std::size_t sentBefore = layer_.sent.size();
        try {
            endpoint_.SendDatagram(stream);
            Require(layer_.sent.size() == sentBefore + 1 && layer_.sent.back().data == content);
        } catch (const ostrel::Exception&) {
            Require(layer_.sent.size() == sentBefore);
        }
        Require(stream.Size() == content.size());
        layer_.lookupAnswers.clear();
    }

    void WakeUp() {
        ostrel::LocalTime now;
        now.hour = input_.ConsumeIntegralInRange(0, 2);
        now.minute = input_.ConsumeIntegralInRange(0, 2);
        now.second = input_.ConsumeIntegralInRange(0, 2);
        FuzzedFormat format(Bytes(input_, 1500), Bytes(input_, 1500));
        const std::string text = ostrel::WakeUpText(now, format);
        const std::size_t sentBefore = layer_.sent.size();
        try {
            NullLog log;
            ostrel::SendWakeUp(endpoint_, text, log);
            Require(text.size() <= ostrel::kSendBufferSize);
            Require(layer_.sent.size() == sentBefore + 2);
            Require(layer_.sent[sentBefore].data == text && layer_.sent.back().data == text);
        } catch (const ostrel::UDPSockError&) {
            Require(text.size() > ostrel::kSendBufferSize && layer_.sent.size() == sentBefore);
        }
    }

    // An empty stream, with a handler that may fill it.
    void StreamHandler() {
        const bool handles = input_.ConsumeBool();
        const std::string filling = Bytes(input_, 3000);
        endpoint_.OnStreamInvalid = [&](bool& handled, ostrel::MemoryStream& Stream) {
            Stream.Write(filling.data(), filling.size());
            handled = handles;
        };
        endpoint_.RemoteHost = "127.0.0.1";
        ostrel::MemoryStream stream;
        try {
            endpoint_.SendDatagram(stream);
            Require(handles && !filling.empty() && filling.size() <= ostrel::kSendBufferSize);
        } catch (const ostrel::Exception&) {
        }
        endpoint_.OnStreamInvalid = nullptr;
    }

    FuzzedDataProvider& input_;
    FakeSocketLayer& layer_;
    ostrel::TUDPEndpoint& endpoint_;
    std::int32_t expectedCount_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    auto owned = std::make_unique<FakeSocketLayer>();
    FakeSocketLayer& layer = *owned;
    layer.startupResult = input.ConsumeIntegralInRange(0, 15) == 0 ? 10091 : 0;
    layer.socketFails = input.ConsumeIntegralInRange(0, 15) == 0;
    layer.lastError = input.ConsumeIntegralInRange(0, 70000);
    try {
        ostrel::TUDPEndpoint endpoint(std::move(owned));
        Session session(input, layer, endpoint);
        for (int step = 0; step < 32 && input.remaining_bytes() > 0; ++step) session.Step();
    } catch (const ostrel::Exception&) {
        // Socket errors of construction and of new local ports are raised, and end the session.
    }
    return 0;
}
