#include "engine/backup_media.h"

#include <charconv>

namespace sandbox {

namespace {

const std::string kMagic = "NORVANE SANDBOX BACKUP 2\n";
const std::string kFirstMagic = "NORVANE SANDBOX BACKUP 1\n";  // one set, its bytes up to the end

// Header values keep to one line: backslash and line breaks are escaped.
std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Reads "key=value\n" lines up to an empty line; false when the bytes end first.
bool readHeader(const std::string& bytes, std::size_t& at, std::vector<std::pair<std::string, std::string>>& fields)
{
    for (;;) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos)
            return false;
        const std::string line = bytes.substr(at, end - at);
        at = end + 1;
        if (line.empty())
            return true;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            return false;
        fields.emplace_back(line.substr(0, equals), unescaped(line.substr(equals + 1)));
    }
}

std::string field(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& key)
{
    for (const auto& [name, value] : fields)
        if (name == key)
            return value;
    return {};
}

}  // namespace

std::string writeBackupMedia(const std::vector<BackupSet>& sets, const std::string& mediaDescription)
{
    std::string out = kMagic + "mediadescription=" + escaped(mediaDescription) + "\n\n";
    for (const BackupSet& set : sets) {
        out += "database=" + escaped(set.database) + "\nname=" + escaped(set.name) + "\ndescription=" +
               escaped(set.description) + "\nbytes=" + std::to_string(set.content.size()) + "\n\n";
        out += set.content;
    }
    return out;
}

std::optional<std::vector<BackupSet>> readBackupMedia(const std::string& bytes)
{
    std::vector<BackupSet> sets;
    std::size_t at = 0;
    std::vector<std::pair<std::string, std::string>> fields;
    if (bytes.compare(0, kFirstMagic.size(), kFirstMagic) == 0) {
        at = kFirstMagic.size();
        if (!readHeader(bytes, at, fields) || field(fields, "database").empty())
            return std::nullopt;
        sets.push_back({field(fields, "database"), field(fields, "name"), field(fields, "description"), bytes.substr(at)});
        return sets;
    }
    if (bytes.compare(0, kMagic.size(), kMagic) != 0)
        return std::nullopt;
    at = kMagic.size();
    if (!readHeader(bytes, at, fields))
        return std::nullopt;
    while (at < bytes.size()) {
        fields.clear();
        if (!readHeader(bytes, at, fields))
            return std::nullopt;
        const std::string size = field(fields, "bytes");
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), length);
        if (error != std::errc() || end != size.data() + size.size() || size.empty() || length > bytes.size() - at ||
            field(fields, "database").empty())
            return std::nullopt;
        sets.push_back({field(fields, "database"), field(fields, "name"), field(fields, "description"), bytes.substr(at, length)});
        at += length;
    }
    return sets;
}

}  // namespace sandbox
