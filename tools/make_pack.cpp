// Writes a resource pack: a zip archive of the given files, named by their paths relative to a
// root folder. The archive is the same bytes on every machine: entries in the order given, each
// preceded by its folder entries, a fixed time stamp, no owner, permission or time extra fields.
// Usage: make_pack OUT.paq ROOT_FOLDER RELATIVE_PATH...
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// 1980-01-01 00:00:00 in MS-DOS form, the earliest time a zip entry can carry.
constexpr uint16_t kDosTime = 0;
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;

struct Entry {
    std::string name;
    uint32_t crc = 0;
    uint32_t size = 0;
    uint32_t packedSize = 0;
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint32_t offset = 0;
    bool folder = false;
};

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Raw deflate (no zlib header), as zip stores it. Returns false when it does not shrink the data.
bool deflateRaw(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&z, uLong(in.size())));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return result == Z_STREAM_END && out.size() < in.size();
}

void putLocalHeader(std::vector<uint8_t>& out, const Entry& e) {
    put32(out, 0x04034b50);
    put16(out, 20);  // version needed: deflate
    put16(out, 0);   // flags
    put16(out, e.method);
    put16(out, kDosTime);
    put16(out, kDosDate);
    put32(out, e.crc);
    put32(out, e.packedSize);
    put32(out, e.size);
    put16(out, uint16_t(e.name.size()));
    put16(out, 0);  // no extra field
    out.insert(out.end(), e.name.begin(), e.name.end());
}

void putCentralHeader(std::vector<uint8_t>& out, const Entry& e) {
    put32(out, 0x02014b50);
    put16(out, 20);  // made by: MS-DOS attributes, version 2.0
    put16(out, 20);
    put16(out, 0);
    put16(out, e.method);
    put16(out, kDosTime);
    put16(out, kDosDate);
    put32(out, e.crc);
    put32(out, e.packedSize);
    put32(out, e.size);
    put16(out, uint16_t(e.name.size()));
    put16(out, 0);  // extra field
    put16(out, 0);  // comment
    put16(out, 0);  // disk number
    put16(out, 0);  // internal attributes
    put32(out, e.folder ? 0x10 : 0);  // MS-DOS folder attribute
    put32(out, e.offset);
    out.insert(out.end(), e.name.begin(), e.name.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_pack OUT.paq ROOT_FOLDER RELATIVE_PATH...\n");
        return 2;
    }
    const std::string outPath = argv[1], root = argv[2];
    std::vector<uint8_t> archive;
    std::vector<Entry> entries;
    auto listed = [&](const std::string& name) {
        for (const Entry& e : entries)
            if (e.name == name) return true;
        return false;
    };

    for (int i = 3; i < argc; ++i) {
        const std::string name = argv[i];
        if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos ||
            name.find("..") != std::string::npos || name.compare(0, 2, "./") == 0) {
            std::fprintf(stderr, "make_pack: %s is not a plain relative path\n", name.c_str());
            return 2;
        }
        // Folder entries first, so every tool sees the tree, not just the files.
        for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
            Entry folder;
            folder.name = name.substr(0, slash + 1);
            folder.folder = true;
            if (listed(folder.name)) continue;
            folder.crc = uint32_t(crc32(0, nullptr, 0));
            folder.offset = uint32_t(archive.size());
            putLocalHeader(archive, folder);
            entries.push_back(folder);
        }

        std::ifstream file(root + "/" + name, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "make_pack: cannot read %s/%s\n", root.c_str(), name.c_str());
            return 1;
        }
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (data.size() >= 0xFFFFFFFFu || archive.size() + 2 * data.size() >= 0xFFFFFFFFu) {
            std::fprintf(stderr, "make_pack: %s is too large for a plain zip archive\n", name.c_str());
            return 1;
        }
        Entry e;
        e.name = name;
        e.size = uint32_t(data.size());
        e.crc = uint32_t(crc32(0, data.data(), uInt(data.size())));
        std::vector<uint8_t> packed;
        // Already compressed data (MP3, PNG) barely shrinks: store it as it is then.
        const bool deflated = deflateRaw(data, packed) && packed.size() + packed.size() / 50 < data.size();
        const std::vector<uint8_t>& body = deflated ? packed : data;
        e.method = deflated ? 8 : 0;
        e.packedSize = uint32_t(body.size());
        e.offset = uint32_t(archive.size());
        putLocalHeader(archive, e);
        archive.insert(archive.end(), body.begin(), body.end());
        entries.push_back(e);
    }

    const auto directoryStart = uint32_t(archive.size());
    for (const Entry& e : entries) putCentralHeader(archive, e);
    const auto directorySize = uint32_t(archive.size() - directoryStart);
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, uint16_t(entries.size()));
    put16(archive, uint16_t(entries.size()));
    put32(archive, directorySize);
    put32(archive, directoryStart);
    put16(archive, 0);  // comment length

    // Write beside the target and rename, so a failed run never leaves half a pack behind.
    const std::string temporary = outPath + ".tmp";
    FILE* out = std::fopen(temporary.c_str(), "wb");
    bool ok = out && std::fwrite(archive.data(), 1, archive.size(), out) == archive.size();
    if (out && std::fclose(out) != 0) ok = false;
    if (!ok || std::rename(temporary.c_str(), outPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "make_pack: cannot write %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}
