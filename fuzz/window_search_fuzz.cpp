// The window search over a desktop whose titles and class names come from the fuzzer: any bytes
// and lengths, Corvex's own class names among them, instances that answer late or never, and a
// wake-up that fails.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "handover/window_search.h"
#include "tests/fakes/launcher_fakes.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string ClassName(FuzzedDataProvider& input) {
    static const char* const kKnown[] = {"morvane.r7x.corvex.util.SplashScreen", "java.awt.Frame",
                                         "SunAwtFrame", "SunAwtDialog", "SunAwtToolkit"};
    if (input.ConsumeBool()) return input.PickValueInArray(kKnown);
    return input.ConsumeRandomLengthString(300);
}

// The longest line the search may write, in characters: a prefix or the "no answer" words around
// a class name of at most 99 characters and a title of at most 79, each in double quotes.
constexpr std::size_t kLongestLine =
    (sizeof("No answer from ") - 1) + 99 + 79 + 5 + (sizeof(" after 60 polls") - 1);

// Characters of UTF-8 text, or at most that many for bytes that are no UTF-8: every byte but the
// continuation bytes.
std::size_t Characters(const std::string& text) {
    std::size_t count = 0;
    for (const char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel::test;
    FuzzedDataProvider input(data, size);
    FakeDesktop desktop;
    const int count = input.ConsumeIntegralInRange(0, 10);
    for (int i = 0; i < count; ++i) {
        std::string title = input.ConsumeRandomLengthString(400);
        desktop.Add(ClassName(input), title);
    }
    FakeResponseState responses;
    responses.Queue(input.ConsumeIntegralInRange(0, 70), 0);
    const int failingWakeUp = input.ConsumeIntegralInRange(0, 130);  // 0: none fails
    const bool verbose = input.ConsumeBool();
    bool found = input.ConsumeBool();
    const bool foundBefore = found;

    FakeClock clock;
    FakeLog log;
    int wakeUps = 0;
    FakeCorvexProcesses corvex;
    ostrel::WindowSearchMemory memory;
    ostrel::WindowSearchPorts ports{desktop,
                                    responses,
                                    corvex,
                                    clock,
                                    log,
                                    [&] {
                                        if (++wakeUps == failingWakeUp) {
                                            throw ostrel::Exception(SystemWords("send failed"));
                                        }
                                    },
                                    {},
                                    {}};
    try {
        ostrel::FindMyWindows(ports, verbose, found, memory);
    } catch (const ostrel::Exception&) {
        Require(wakeUps == failingWakeUp);
    }

    Require(found || !foundBefore);  // the search never clears the flag
    Require(desktop.activated.size() <= desktop.Count());
    // Every hand-over ends after at most 60 polls: one wake-up and one sleep each.
    const std::size_t mostPolls = 60 * desktop.Count();
    Require(static_cast<std::size_t>(wakeUps) <= mostPolls);
    Require(clock.sleeps.size() <= mostPolls);
    for (const std::string& line : log.lines) {
        Require(line.find('\0') == std::string::npos);
        Require(Characters(line) <= kLongestLine);
    }
    return 0;
}
