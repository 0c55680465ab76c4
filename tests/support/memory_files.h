// Files in memory (`unreadable` ones exist, unread and unwritten); a registry taking all.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/platform.h"

namespace trifolio::fakes {

struct MemoryFiles : platform::Files, platform::Registry {
    using S = const std::string&;
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;

    std::optional<std::string> read(S path, std::string& error, std::size_t limit) override {
        error = unreadable.count(path) ? "Zugriff verweigert" : "Datei nicht gefunden";
        const auto it = unreadable.count(path) ? files.end() : files.find(path);
        return it == files.end() ? std::nullopt : std::optional(it->second.substr(0, limit));
    }
    bool exists(S path) override { return files.count(path) || unreadable.count(path); }
    bool writeAtomically(S path, S bytes, std::string& error) override {
        error = "Zugriff verweigert";
        return !unreadable.count(path) && (files[path] = bytes, true);
    }
    bool setString(S, S, S) override { return true; }
    bool deleteValue(S, S) override { return true; }
};

}  // namespace trifolio::fakes
