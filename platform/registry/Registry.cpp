#include "platform/registry/Registry.h"

#include "platform/registry/RegistryFile.h"
#include "platform/win/ConfigDir.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct OpenKey {
    std::string path;
    REGSAM access = 0;
};

struct State {
    std::mutex lock;
    std::map<HKEY, OpenKey> keys;
    HKEY next = 0x1000;
    // The file as last read, and what identified it then.
    TRegistryText cache;
    bool cached = false;
    ino_t inode = 0;
    timespec mtime{};
    off_t size = 0;
};

State& Reg() {
    static auto* state = new State;
    return *state;
}

const char* RootName(HKEY key) {
    switch (key) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    case HKEY_DYN_DATA: return "HKEY_DYN_DATA";
    default: return nullptr;
    }
}

std::string FilePath() {
    return VexoConfigDir() + "/registry";
}

class FileLock {
public:
    FileLock(int op) {
        if (op == LOCK_EX && !ForceVexoConfigDir()) return;
        const std::string dir = VexoConfigDir();
        if (dir.empty()) return;
        fd_ = ::open((dir + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, op) < 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Under State::lock and the file lock: the file's keys, read again only when the file changed.
TRegistryText& Current(State& s) {
    struct stat st{};
    if (::stat(FilePath().c_str(), &st) != 0) {
        s.cache = {};
        s.cached = false;
        return s.cache;
    }
    if (s.cached && st.st_ino == s.inode && st.st_size == s.size && st.st_mtim.tv_sec == s.mtime.tv_sec &&
        st.st_mtim.tv_nsec == s.mtime.tv_nsec)
        return s.cache;
    std::string text;
    const int fd = ::open(FilePath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[65536];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0) text.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
    }
    s.cache = TRegistryText::Parse(text);
    s.cached = true;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    return s.cache;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Under State::lock and the exclusive file lock.
bool Save(State& s, const TRegistryText& reg) {
    const std::string path = FilePath();
    const std::string temp = path + ".new" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, reg.Format()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        s.cached = false;
        return false;
    }
    s.cached = false; // read back (and stamped) on the next call
    return true;
}

// The open key's path, or null for a bad handle (ERROR_INVALID_HANDLE).
const OpenKey* Lookup(State& s, HKEY key, OpenKey& rootKey) {
    if (const char* root = RootName(key)) {
        rootKey = {root, KEY_ALL_ACCESS};
        return &rootKey;
    }
    auto it = s.keys.find(key);
    return it == s.keys.end() ? nullptr : &it->second;
}

std::string Join(const std::string& base, const char* subKey) {
    std::string sub = subKey ? subKey : "";
    while (!sub.empty() && sub.front() == '\\') sub.erase(0, 1);
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    return sub.empty() ? base : base + "\\" + sub;
}

bool IsRootPath(const std::string& path) {
    return path.find('\\') == std::string::npos;
}

// The path of an open key the caller may use for need: ERROR_SUCCESS, or why not. Under State::lock.
LONG Resolve(State& s, HKEY key, REGSAM need, std::string& path) {
    OpenKey rootKey;
    const OpenKey* open = Lookup(s, key, rootKey);
    if (!open) return ERROR_INVALID_HANDLE;
    if ((open->access & need) != need) return ERROR_ACCESS_DENIED;
    path = open->path;
    return ERROR_SUCCESS;
}

// Runs read(keys) under a shared lock; the key must exist unless it is a root.
LONG WithKey(HKEY key, REGSAM need, const std::function<LONG(TRegistryText&, TRegKey*, const std::string&)>& fn) {
    State& s = Reg();
    std::lock_guard<std::mutex> g(s.lock);
    std::string path;
    if (const LONG rc = Resolve(s, key, need, path); rc != ERROR_SUCCESS) return rc;
    FileLock fl(LOCK_SH);
    TRegistryText& reg = Current(s);
    TRegKey* k = reg.FindKey(path);
    if (!k && !IsRootPath(path)) return ERROR_KEY_DELETED;
    return fn(reg, k, path);
}

// Runs change(keys) under the exclusive lock and saves when it returns ERROR_SUCCESS with changed set.
LONG Change(HKEY key, REGSAM need, const std::function<LONG(TRegistryText&, const std::string&, bool&)>& fn) {
    State& s = Reg();
    std::lock_guard<std::mutex> g(s.lock);
    std::string path;
    if (const LONG rc = Resolve(s, key, need, path); rc != ERROR_SUCCESS) return rc;
    FileLock fl(LOCK_EX);
    if (!fl.Held()) return ERROR_CANTWRITE;
    TRegistryText reg = Current(s);
    if (!reg.FindKey(path) && !IsRootPath(path)) return ERROR_KEY_DELETED;
    bool changed = false;
    const LONG rc = fn(reg, path, changed);
    if (rc == ERROR_SUCCESS && changed && !Save(s, reg)) return ERROR_CANTWRITE;
    return rc;
}

HKEY NewHandle(State& s, const std::string& path, REGSAM access) {
    const HKEY h = s.next++;
    s.keys[h] = {path, access};
    return h;
}

LONG CopyName(const std::string& text, char* buffer, DWORD* size) {
    if (!size) return ERROR_INVALID_PARAMETER;
    if (!buffer || *size < text.size() + 1) {
        *size = static_cast<DWORD>(text.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *size = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

LONG CopyData(const TRegValue& v, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (type) *type = v.type;
    const std::size_t size = v.data.size() + (IsText(v.type) ? 1 : 0);
    if (!dataSize) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    if (!data) {
        *dataSize = static_cast<DWORD>(size);
        return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
        *dataSize = static_cast<DWORD>(size);
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, v.data.data(), v.data.size());
    if (IsText(v.type)) data[v.data.size()] = 0;
    *dataSize = static_cast<DWORD>(size);
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD, REGSAM desired, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    State& s = Reg();
    std::string path;
    {
        std::lock_guard<std::mutex> g(s.lock);
        OpenKey rootKey;
        const OpenKey* open = Lookup(s, key, rootKey);
        if (!open) return ERROR_INVALID_HANDLE;
        path = Join(open->path, subKey);
    }
    LONG rc = WithKey(key, 0, [&](TRegistryText& reg, TRegKey*, const std::string&) -> LONG {
        return IsRootPath(path) || reg.FindKey(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (rc != ERROR_SUCCESS) return rc;
    std::lock_guard<std::mutex> g(s.lock);
    *result = NewHandle(s, path, desired);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD, const char*, DWORD, REGSAM desired, void*, HKEY* result,
                    DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::string path;
    bool created = false;
    const LONG rc = Change(key, 0, [&](TRegistryText& reg, const std::string& base, bool& changed) -> LONG {
        path = Join(base, subKey);
        if (IsRootPath(path) || reg.FindKey(path)) return ERROR_SUCCESS;
        reg.ForceKey(path);
        changed = created = true;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    State& s = Reg();
    std::lock_guard<std::mutex> g(s.lock);
    *result = NewHandle(s, path, desired);
    return ERROR_SUCCESS;
}

LONG RegOpenKey(HKEY key, const char* subKey, HKEY* result) {
    return RegOpenKeyEx(key, subKey, 0, KEY_ALL_ACCESS, result);
}

LONG RegCreateKey(HKEY key, const char* subKey, HKEY* result) {
    return RegCreateKeyEx(key, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
    if (RootName(key)) return ERROR_SUCCESS;
    State& s = Reg();
    std::lock_guard<std::mutex> g(s.lock);
    return s.keys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key) {
    return WithKey(key, 0, [](TRegistryText&, TRegKey*, const std::string&) -> LONG { return ERROR_SUCCESS; });
}

LONG RegDeleteKey(HKEY key, const char* subKey) {
    return Change(key, 0, [&](TRegistryText& reg, const std::string& base, bool& changed) -> LONG {
        const std::string path = Join(base, subKey);
        if (IsRootPath(path)) return ERROR_ACCESS_DENIED;
        if (!reg.FindKey(path)) return ERROR_FILE_NOT_FOUND;
        reg.RemoveKeyTree(path);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize) {
    return WithKey(key, KEY_QUERY_VALUE, [&](TRegistryText&, TRegKey* k, const std::string&) -> LONG {
        TRegValue* v = k ? TRegistryText::FindValue(*k, valueName ? valueName : "") : nullptr;
        if (!v) return ERROR_FILE_NOT_FOUND;
        return CopyData(*v, type, data, dataSize);
    });
}

LONG RegSetValueEx(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    if (!data && dataSize) return ERROR_INVALID_PARAMETER;
    std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
    if (IsText(type)) bytes = bytes.substr(0, bytes.find('\0'));
    if (type == REG_DWORD && bytes.size() != 4) return ERROR_INVALID_PARAMETER;
    return Change(key, KEY_SET_VALUE, [&](TRegistryText& reg, const std::string& path, bool& changed) -> LONG {
        TRegKey& k = reg.ForceKey(path);
        const std::string name = valueName ? valueName : "";
        if (TRegValue* v = TRegistryText::FindValue(k, name)) {
            changed = v->type != type || v->data != bytes;
            v->type = type;
            v->data = bytes;
        } else {
            k.values.push_back({name, type, bytes});
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const char* valueName) {
    return Change(key, KEY_SET_VALUE, [&](TRegistryText& reg, const std::string& path, bool& changed) -> LONG {
        TRegKey* k = reg.FindKey(path);
        const std::string name = valueName ? valueName : "";
        if (!k || !TRegistryText::FindValue(*k, name)) return ERROR_FILE_NOT_FOUND;
        std::erase_if(k->values, [&](const TRegValue& v) { return SameRegName(v.name, name); });
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, char*, DWORD* classSize, void*) {
    if (classSize) *classSize = 0;
    return WithKey(key, KEY_ENUMERATE_SUB_KEYS, [&](TRegistryText& reg, TRegKey*, const std::string& path) -> LONG {
        const auto names = reg.SubKeyNames(path);
        if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
        return CopyName(names[index], name, nameSize);
    });
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, DWORD* type, BYTE* data,
                  DWORD* dataSize) {
    return WithKey(key, KEY_QUERY_VALUE, [&](TRegistryText&, TRegKey* k, const std::string&) -> LONG {
        if (!k || index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
        const TRegValue& v = k->values[index];
        const LONG rc = CopyName(v.name, name, nameSize);
        if (rc != ERROR_SUCCESS) return rc;
        return CopyData(v, type, data, dataSize);
    });
}

LONG RegQueryInfoKey(HKEY key, char*, DWORD* classSize, DWORD*, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* maxClassLen,
                     DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen, DWORD* securityDescriptor, void*) {
    return WithKey(key, KEY_QUERY_VALUE, [&](TRegistryText& reg, TRegKey* k, const std::string& path) -> LONG {
        const auto names = reg.SubKeyNames(path);
        DWORD longestKey = 0, longestName = 0, longestData = 0;
        for (const auto& n : names) longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(n.size()));
        if (k)
            for (const TRegValue& v : k->values) {
                longestName = std::max<DWORD>(longestName, static_cast<DWORD>(v.name.size()));
                longestData = std::max<DWORD>(longestData, static_cast<DWORD>(v.data.size() + (IsText(v.type) ? 1 : 0)));
            }
        if (classSize) *classSize = 0;
        if (subKeys) *subKeys = static_cast<DWORD>(names.size());
        if (maxSubKeyLen) *maxSubKeyLen = longestKey;
        if (maxClassLen) *maxClassLen = 0;
        if (values) *values = k ? static_cast<DWORD>(k->values.size()) : 0;
        if (maxValueNameLen) *maxValueNameLen = longestName;
        if (maxValueLen) *maxValueLen = longestData;
        if (securityDescriptor) *securityDescriptor = 0;
        return ERROR_SUCCESS;
    });
}
