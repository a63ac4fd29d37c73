// Fakes shared by the native tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/log.h"
#include "handover/wake_up.h"
#include "launch/registry_value.h"

namespace ostrel::testing {

class FakeLog : public Log {
  public:
    void Add(const std::string& line) override { lines.push_back(line); }
    void Clear() override {
        lines.clear();
        ++clears;
    }
    std::vector<std::string> lines;
    int clears = 0;
};

// A registry key whose values keep their insertion order, as enumeration reports them.
class FakeRegistryKey : public RegistryKey {
  public:
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string data;
        bool readFails = false;
    };

    FakeRegistryKey& Set(std::string name, std::uint32_t type, std::string data) {
        values.push_back({std::move(name), type, std::move(data)});
        return *this;
    }

    std::vector<std::string> ValueNames() override {
        std::vector<std::string> names;
        for (const Value& value : values) names.push_back(value.name);
        return names;
    }
    bool QueryValueInfo(const std::string& name, RegistryValueInfo& info) override {
        const Value* value = Find(name);
        if (!value) return false;
        info.type = value->type;
        info.size = static_cast<std::uint32_t>(value->data.size());
        return true;
    }
    bool ReadValueData(const std::string& name, std::vector<char>& data) override {
        const Value* value = Find(name);
        if (!value || value->readFails || data.size() < value->data.size()) return false;
        data.assign(value->data.begin(), value->data.end());
        return true;
    }

    std::vector<Value> values;

  private:
    const Value* Find(const std::string& name) const {
        for (const Value& value : values) {
            if (value.name == name) return &value;
        }
        return nullptr;
    }
};

class FakeClock : public Clock {
  public:
    LocalTime Now() override { return now; }
    void Sleep(unsigned milliseconds) override { sleeps.push_back(milliseconds); }
    LocalTime now;
    std::vector<unsigned> sleeps;
};

// A moment of 29 February 2024, a Thursday.
inline LocalTime At(int hour, int minute, int second, int milliseconds = 0) {
    LocalTime time;
    time.year = 2024;
    time.month = 2;
    time.day = 29;
    time.dayOfWeek = 4;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.milliseconds = milliseconds;
    return time;
}

// Formats as a German user would see them, and remembers what it was asked.
class FakeDateTimeFormat : public DateTimeFormat {
  public:
    std::string ShortDate(const LocalTime& time) override {
        asked.push_back(time);
        return Two(time.day) + "." + Two(time.month) + "." + std::to_string(time.year);
    }
    std::string LongTime(const LocalTime& time) override {
        asked.push_back(time);
        return Two(time.hour) + ":" + Two(time.minute) + ":" + Two(time.second);
    }
    std::vector<LocalTime> asked;

  private:
    static std::string Two(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }
};

}  // namespace ostrel::testing
