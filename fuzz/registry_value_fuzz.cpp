// The registry string rule, and the launch's listing of the Java runtime key, over a key whose
// values come from the fuzzer: any names, types and data, reads that fail, and values that
// shrank between the query of their size and the read of their data.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "launch/launch_sequence.h"
#include "launch/registry_value.h"
#include "tests/fakes/launcher_fakes.h"

namespace {

using ostrel::RegistryKey;
using ostrel::RegistryValueInfo;
using ostrel::test::FakeRegistryKey;

void Require(bool condition) {
    if (!condition) std::abort();
}

// The query reports `extra` bytes more than the read then finds.
class ShrinkingKey : public FakeRegistryKey {
  public:
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override {
        if (!FakeRegistryKey::QueryValueInfo(name, info)) return false;
        const auto found = extra.find(name);
        if (found != extra.end()) info.size += found->second;
        return true;
    }
    std::map<std::string, std::uint32_t> extra;
};

// Hands out the one key under every name, without owning it.
class OneKey : public ostrel::JavaRuntimeKeys {
  public:
    explicit OneKey(RegistryKey& key) : key_(key) {}
    std::vector<ostrel::RegistryView> Views() override { return {ostrel::RegistryView::k32Bit}; }
    std::vector<std::string> SubkeyNames(const std::string&, ostrel::RegistryView) override {
        return {};
    }
    bool FileExists(const std::string&) override { return true; }
    std::unique_ptr<RegistryKey> Open(const std::string&, ostrel::RegistryView) override {
        struct View : RegistryKey {
            explicit View(RegistryKey& key) : key_(key) {}
            std::vector<std::string> ValueNames() override { return key_.ValueNames(); }
            bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override {
                return key_.QueryValueInfo(name, info);
            }
            bool ReadValueData(const std::string& name, std::vector<char>& data) override {
                return key_.ReadValueData(name, data);
            }
            RegistryKey& key_;
        };
        return std::make_unique<View>(key_);
    }

  private:
    RegistryKey& key_;
};

// Value names come from the registry as zero-terminated strings.
std::string ValueName(FuzzedDataProvider& input) {
    std::string name = input.ConsumeRandomLengthString(64);
    return name.substr(0, name.find('\0'));
}

ShrinkingKey MakeKey(FuzzedDataProvider& input) {
    ShrinkingKey key;
    const int count = input.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i) {
        std::string name = input.ConsumeBool() ? "JavaHome" : ValueName(input);
        const std::uint32_t type = input.ConsumeIntegralInRange<std::uint32_t>(0, 11);
        const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, 70000);
        std::string data = input.ConsumeBool() ? std::string(size, input.ConsumeIntegral<char>())
                                               : input.ConsumeRandomLengthString(size);
        key.Set(name, type, data);
        key.values.back().readFails = input.ConsumeIntegralInRange(0, 7) == 0;
        if (input.ConsumeIntegralInRange(0, 7) == 0) {
            key.extra[name] = input.ConsumeIntegralInRange<std::uint32_t>(1, 4096);
        }
    }
    return key;
}

// What the rule must give for `name`: the text, or the message of the error it must raise.
struct Outcome {
    bool raises = false;
    std::string text;
};

Outcome Expected(const ShrinkingKey& key, const std::string& name) {
    const auto value =
        std::find_if(key.values.begin(), key.values.end(),
                     [&](const FakeRegistryKey::Value& v) { return v.name == name; });
    if (value == key.values.end()) return {};
    const auto extra = key.extra.find(name);
    const std::size_t reported =
        value->data.size() + (extra == key.extra.end() ? 0 : extra->second);
    if (reported == 0) return {};
    if (value->readFails) return {true, "Failed to get data for '" + name + "'"};
    if (value->type != ostrel::kRegSz && value->type != ostrel::kRegExpandSz) {
        return {true, "Invalid data type for '" + name + "'"};
    }
    return {false, value->data.substr(0, value->data.find('\0'))};
}

void CheckTheRule(ShrinkingKey& key, const std::string& name) {
    const Outcome expected = Expected(key, name);
    try {
        const std::string text = ostrel::ReadRegistryString(key, name);
        Require(!expected.raises && text == expected.text);
    } catch (const ostrel::Exception& error) {
        Require(expected.raises && error.what() == expected.text);
    }
}

// The launch lists every value until the first that the rule refuses, then reads "JavaHome"; a
// key whose "JavaHome" names no runtime is passed over first (a line for each name it is opened
// by), and read all the same, there being no other.
void CheckTheListing(ShrinkingKey& key) {
    using namespace ostrel::test;
    Journal journal;
    FakeLog log;
    OneKey keys(key);
    FakeUi ui(journal);
    FakeShell shell(journal);
    FakeFiles files(journal);
    ostrel::LaunchPorts ports{log,   keys,  ui,
                              shell, files, [] { return std::optional<std::string>(); }};
    ostrel::LaunchState state;
    bool raised = false;
    try {
        ostrel::RunLaunchSequence(ports, state);
    } catch (const ostrel::Exception&) {
        raised = true;
    }
    std::size_t listed = 0;
    while (listed < log.lines.size() &&
           log.lines[listed].rfind("Java runtime key passed over: ", 0) == 0) {
        ++listed;
    }
    const bool passedOver = listed > 0;
    for (const std::string& name : key.ValueNames()) {
        const Outcome outcome = Expected(key, name);
        if (outcome.raises) break;
        Require(listed < log.lines.size());
        Require(log.lines[listed] == "Registry Key has has an Entry Called \"" + name +
                                         "\"  with a value of \"" + outcome.text + "\"");
        ++listed;
    }
    if (raised) {
        // Nothing written or started; after a key passed over, the line of what is read.
        Require(log.lines.size() == listed + (passedOver ? 1 : 0) && journal.empty());
    } else {
        Require(state.javaHome == Expected(key, "JavaHome").text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ShrinkingKey key = MakeKey(input);
    for (const std::string& name : key.ValueNames()) CheckTheRule(key, name);
    CheckTheRule(key, ValueName(input));
    CheckTheListing(key);
    return 0;
}
