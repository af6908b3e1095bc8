#include "platform/ui/TypInfo.h"

#include <map>
#include <mutex>

namespace {

struct ClassTable {
    std::type_index parent = std::type_index(typeid(void));
    std::function<bool(const TObject*)> isA;
    std::vector<TPropInfo> props;
};

struct Registry {
    std::mutex lock;
    std::map<std::type_index, ClassTable> classes;
};

Registry& TheRegistry() {
    static auto* registry = new Registry;
    return *registry;
}

int Depth(const Registry& r, std::type_index type) {
    int depth = 0;
    for (auto it = r.classes.find(type); it != r.classes.end(); it = r.classes.find(it->second.parent))
        ++depth;
    return depth;
}

} // namespace

void PublishProperties(std::type_index type, std::type_index parent, std::function<bool(const TObject*)> isA,
                       std::vector<TPropInfo> props) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    r.classes[type] = ClassTable{parent, std::move(isA), std::move(props)};
}

TPropList GetPropList(const TObject* object) {
    TPropList list;
    if (!object) return list;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    // The most derived registered class the object belongs to.
    const ClassTable* best = nullptr;
    std::type_index bestType = std::type_index(typeid(void));
    int bestDepth = 0;
    for (const auto& [type, table] : r.classes) {
        if (!table.isA(object)) continue;
        const int depth = Depth(r, type);
        if (depth > bestDepth) {
            best = &table;
            bestType = type;
            bestDepth = depth;
        }
    }
    if (!best) return list;
    std::vector<const ClassTable*> chain;
    for (auto it = r.classes.find(bestType); it != r.classes.end(); it = r.classes.find(it->second.parent))
        chain.push_back(&it->second);
    for (auto c = chain.rbegin(); c != chain.rend(); ++c)
        for (const TPropInfo& p : (*c)->props) list.push_back(&p);
    return list;
}

const TPropInfo* GetPropInfo(const TObject* object, const std::string& name) {
    for (const TPropInfo* p : GetPropList(object))
        if (p->Name.size() == name.size() &&
            std::equal(name.begin(), name.end(), p->Name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return p;
    return nullptr;
}
