#include "engine/database_registry.h"

#include <algorithm>

#include "engine/server_paths.h"
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

std::filesystem::path DatabaseRegistry::serverPath(const std::string& path, const std::string& relativeBase) const
{
    return resolveServerPath(directory_, path, relativeBase).value_or(std::filesystem::path());
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
