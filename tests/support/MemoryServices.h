#pragma once

#include "app/Clipboard.h"
#include "app/Settings.h"

#include <map>
#include <string>

// The settings key as a map. `writable` false behaves like a key that cannot
// be opened with write access.
class MemorySettingsStore : public ISettingsStore {
public:
    bool OpenKey() override { return writable; }
    std::optional<std::string> ReadValue(const std::string& name) override
    {
        auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    bool WriteValue(const std::string& name, const std::string& data) override
    {
        values[name] = data;
        ++writes;
        return true;
    }

    bool writable = true;
    int writes = 0;
    std::map<std::string, std::string> values;
};

// A clipboard that holds one block under one format name.
class MemoryClipboard : public IClipboard {
public:
    void SetData(const std::string& name, const std::vector<uint8_t>& bytes) override
    {
        format = name;
        data = bytes;
    }
    std::optional<std::vector<uint8_t>> GetData(const std::string& name) override
    {
        if (name != format)
            return std::nullopt;
        return data;
    }
    bool HasFormat(const std::string& name) override { return name == format; }

    std::string format;
    std::vector<uint8_t> data;
};
