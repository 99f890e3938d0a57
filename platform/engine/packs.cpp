// Resource packs through PhysicsFS: zip archives mounted in attach order, the program folder
// mounted after them as the disk fallback; resources are read whole into malloc'd blocks.
#include <physfs.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/engine/backend.h"
#include "platform/platform.h"

struct PackState {
    std::vector<std::string> packs;  // mounted archives, in search order
    std::string diskFolder;          // program folder mounted last, empty when not mounted
};

namespace {

bool ensurePhysfs() {
    if (PHYSFS_isInit()) return true;
    std::string exe = platform::programDirectory() + "/ornalis2";
    if (!PHYSFS_init(exe.c_str())) {
        fprintf(stderr, "Can't start PhysicsFS: %s\n", PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
        return false;
    }
    // Assets beside the program may be symbolic links.
    PHYSFS_permitSymbolicLinks(1);
    return true;
}

PackState* packsOf(EngineImpl* engine) {
    if (!engine->packs) engine->packs = new PackState;
    return engine->packs;
}

// Keeps the current program folder mounted behind every pack.
bool mountDisk(PackState* packs) {
    const std::string& folder = platform::programDirectory();
    if (packs->diskFolder == folder) return true;
    if (!packs->diskFolder.empty()) PHYSFS_unmount(packs->diskFolder.c_str());
    packs->diskFolder.clear();
    if (!PHYSFS_mount(folder.c_str(), nullptr, 1)) return false;
    packs->diskFolder = folder;
    return true;
}

bool leavesFolder(const std::string& path) {
    size_t start = 0;
    for (;;) {
        size_t end = path.find('/', start);
        if (path.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

void* readDisk(const std::string& path, uint32_t* size) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    std::vector<char> bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed || bytes.size() > UINT32_MAX) return nullptr;
    void* block = malloc(bytes.empty() ? 1 : bytes.size());
    if (!block) return nullptr;
    if (!bytes.empty()) memcpy(block, bytes.data(), bytes.size());
    if (size) *size = static_cast<uint32_t>(bytes.size());
    return block;
}

}  // namespace

void packsDestroy(EngineImpl* engine) {
    PackState* packs = engine->packs;
    if (!packs) return;
    if (PHYSFS_isInit()) {
        for (const std::string& pack : packs->packs) PHYSFS_unmount(pack.c_str());
        if (!packs->diskFolder.empty()) PHYSFS_unmount(packs->diskFolder.c_str());
    }
    delete packs;
    engine->packs = nullptr;
}

bool HGE::attachPack(const char* file, const char*) {
    if (!file || !*file || !ensurePhysfs()) return false;
    PackState* packs = packsOf(impl);
    std::string path = platform::programPath(file);
    // The disk comes after every pack, so it is taken out while the pack is appended.
    if (!packs->diskFolder.empty()) {
        PHYSFS_unmount(packs->diskFolder.c_str());
        packs->diskFolder.clear();
    }
    bool ok = PHYSFS_mount(path.c_str(), nullptr, 1) != 0;
    if (ok) packs->packs.push_back(path);
    mountDisk(packs);
    return ok;
}

void* HGE::loadResource(const char* name, uint32_t* size) {
    if (size) *size = 0;
    if (!name || !*name) return nullptr;
    std::string path = platform::nativePath(name);
    while (path.compare(0, 2, "./") == 0) path.erase(0, 2);
    // Absolute paths and paths leaving the program folder are plain files.
    if (path[0] == '/' || leavesFolder(path)) return readDisk(platform::programPath(path), size);
    if (!ensurePhysfs()) return readDisk(platform::programPath(path), size);
    mountDisk(packsOf(impl));
    PHYSFS_File* file = PHYSFS_openRead(path.c_str());
    if (!file) return nullptr;
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    if (length < 0 || length > static_cast<PHYSFS_sint64>(UINT32_MAX)) {
        PHYSFS_close(file);
        return nullptr;
    }
    void* block = malloc(length > 0 ? static_cast<size_t>(length) : 1);
    if (!block) {
        PHYSFS_close(file);
        return nullptr;
    }
    PHYSFS_sint64 got = PHYSFS_readBytes(file, block, static_cast<PHYSFS_uint64>(length));
    PHYSFS_close(file);
    if (got != length) {
        free(block);
        return nullptr;
    }
    if (size) *size = static_cast<uint32_t>(length);
    return block;
}

void HGE::freeResource(void* block) { free(block); }
