#include "tools/render/Site.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "base/Files.h"
#include "pack/DataPath.h"

namespace {

std::vector<char> readAll(const std::string& path)
{
    std::ifstream in(filePath(path), std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be opened");
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error(path + ": cannot be read");
    return bytes;
}

void writeAll(const std::string& path, const char* data, size_t size)
{
    std::ofstream out(filePath(path), std::ios::binary | std::ios::trunc);
    out.write(data, std::streamsize(size));
    out.close();
    if (!out)
        throw std::runtime_error(path + ": cannot be written");
}

std::string hashText(const std::vector<char>& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes) {
        hash ^= uint8_t(c);
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// "data/nice-ass/gass_frame_0001.png" with its hash: "pack/nice-ass/gass_frame_0001-HASH.png".
std::string addressOf(const std::string& file, const std::string& hash)
{
    std::string path = dataFilePath("pack", file);
    const size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < slash)
        dot = path.size();
    return path.insert(dot, "-" + hash);
}

// Show names are the pack's own, but a quote or a backslash must not end the string.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

void writeWebPack(const std::vector<PackNeed>& needs, const std::string& dataDir, const std::string& outDir)
{
    std::string json = "{\"files\": [\n";
    for (size_t i = 0; i < needs.size(); ++i) {
        const PackNeed& need = needs[i];
        const std::vector<char> bytes = readAll(dataFilePath(dataDir, need.file));
        const std::string address = addressOf(need.file, hashText(bytes));
        const std::string target = outDir + "/" + address;
        std::error_code ec;
        std::filesystem::create_directories(filePath(target).parent_path(), ec);
        if (ec)
            throw std::runtime_error(target + ": its folder cannot be made (" + ec.message() + ")");
        writeAll(target, bytes.data(), bytes.size());
        json += "{\"name\": " + quoted(need.file) + ", \"address\": " + quoted(address) +
                ", \"bytes\": " + std::to_string(bytes.size()) + ", \"ms\": " + std::to_string(need.ms) +
                ", \"optional\": " + (need.optional ? "true" : "false") + "}" + (i + 1 < needs.size() ? ",\n" : "\n");
    }
    json += "]}\n";
    writeAll(outDir + "/pack.json", json.data(), json.size());
}
