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

struct MethodTable {
    std::type_index parent = std::type_index(typeid(void));
    std::function<bool(const TObject*)> isA;
    std::vector<TMethodEntry> methods;
};

struct Registry {
    std::mutex lock;
    std::map<std::type_index, ClassTable> classes;
    std::map<std::type_index, MethodTable> methods;
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

// A class's distance from the root of the method tables, through the parents either table names.
int MethodDepth(const Registry& r, std::type_index type) {
    int depth = 0;
    for (int guard = 0; guard < 256; ++guard) {
        std::type_index parent = std::type_index(typeid(void));
        if (auto m = r.methods.find(type); m != r.methods.end())
            parent = m->second.parent;
        else if (auto c = r.classes.find(type); c != r.classes.end())
            parent = c->second.parent;
        else
            break;
        ++depth;
        type = parent;
    }
    return depth;
}

// The method tables of the object's class and its ancestors, the most derived first.
std::vector<const MethodTable*> MethodTablesOf(const Registry& r, const TObject* object) {
    std::vector<std::pair<int, const MethodTable*>> found;
    for (const auto& [type, table] : r.methods)
        if (table.isA(object)) found.emplace_back(MethodDepth(r, type), &table);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<const MethodTable*> tables;
    for (const auto& f : found) tables.push_back(f.second);
    return tables;
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

void PublishMethods(std::type_index type, std::type_index parent, std::function<bool(const TObject*)> isA,
                    std::vector<TMethodEntry> methods) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    r.methods[type] = MethodTable{parent, std::move(isA), std::move(methods)};
}

std::optional<TMethodEntry> FindPublishedMethod(const TObject* object, const std::string& name) {
    if (!object || name.empty()) return std::nullopt;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    for (const MethodTable* table : MethodTablesOf(r, object))
        for (const TMethodEntry& m : table->methods)
            if (SameName(m.Name, name)) return m;
    return std::nullopt;
}

TRawMethod::TCode MethodAddress(const TObject* object, const std::string& name) {
    const auto m = FindPublishedMethod(object, name);
    return m ? m->Code : nullptr;
}

std::string MethodName(const TObject* object, TRawMethod::TCode code) {
    if (!object || !code) return {};
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    for (const MethodTable* table : MethodTablesOf(r, object))
        for (const TMethodEntry& m : table->methods)
            if (m.Code == code) return m.Name;
    return {};
}
