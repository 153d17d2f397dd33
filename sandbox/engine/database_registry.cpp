#include "engine/database_registry.h"

#include <algorithm>

#include "engine/tokenizer.h"

namespace sandbox {

std::filesystem::path DatabaseRegistry::fileOf(const std::string& name) const
{
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return directory_ / (lower + ".sqlite");
}

std::optional<DatabaseEntry> DatabaseRegistry::find(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    for (const DatabaseEntry& entry : entries_)
        if (equalsIgnoreCase(entry.name, name))
            return entry;
    return std::nullopt;
}

std::optional<DatabaseEntry> DatabaseRegistry::find(int id) const
{
    std::lock_guard lock(mutex_);
    for (const DatabaseEntry& entry : entries_)
        if (entry.id == id)
            return entry;
    return std::nullopt;
}

std::vector<DatabaseEntry> DatabaseRegistry::all() const
{
    std::lock_guard lock(mutex_);
    std::vector<DatabaseEntry> sorted = entries_;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return sorted;
}

void DatabaseRegistry::add(const DatabaseEntry& entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
}

void DatabaseRegistry::remove(const std::string& name)
{
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const DatabaseEntry& e) { return equalsIgnoreCase(e.name, name); });
}

std::filesystem::path DatabaseRegistry::serverPath(const std::string& path) const
{
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        std::string rest = path.substr(2);
        for (char& c : rest)
            if (c == '\\')
                c = '/';
        while (!rest.empty() && rest.front() == '/')
            rest.erase(0, 1);
        const std::string drive(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
        return directory_ / "drives" / drive / rest;
    }
    if (!path.empty() && path[0] == '/')
        return path;
    return {};
}

int DatabaseRegistry::nextId() const
{
    std::lock_guard lock(mutex_);
    int next = 5;  // 1-4 are master, tempdb, model and msdb
    for (const DatabaseEntry& entry : entries_)
        next = std::max(next, entry.id + 1);
    return next;
}

}  // namespace sandbox
