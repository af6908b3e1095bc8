#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cctype>
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

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
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
    // A property a descendant declares again (with another default, say) keeps its ancestor's place.
    for (auto c = chain.rbegin(); c != chain.rend(); ++c)
        for (const TPropInfo& p : (*c)->props) {
            auto same = std::find_if(list.begin(), list.end(),
                                     [&](const TPropInfo* q) { return SameName(q->Name, p.Name); });
            if (same != list.end())
                *same = &p;
            else
                list.push_back(&p);
        }
    return list;
}

const TPropInfo* GetPropInfo(const TObject* object, const std::string& name) {
    for (const TPropInfo* p : GetPropList(object))
        if (SameName(p->Name, name)) return p;
    return nullptr;
}
