// A string list published as a property: the filer writes it as a list of strings ("Strings" of the
// property), as the class library writes its string lists, and reading it replaces every line. The
// lines themselves stay where their owner keeps them (a string list, a list box ...).
#pragma once

#include "platform/rtl/Lists.h"
#include "platform/ui/Classes.h"

#include <functional>
#include <string>
#include <vector>

class TPersistentStrings : public TPersistent {
public:
    using TGetLines = std::function<std::vector<std::string>()>;
    using TSetLines = std::function<void(const std::vector<std::string>&)>;

    TPersistentStrings(TGetLines Get, TSetLines Set) : get_(std::move(Get)), set_(std::move(Set)) {}
    // The lines of a string list its owner keeps alive.
    explicit TPersistentStrings(TStringList* List);

    std::vector<std::string> Lines() const { return get_(); }
    void SetLines(const std::vector<std::string>& Value) { set_(Value); }

    // Another TPersistentStrings: a copy of its lines.
    void Assign(const TPersistent* Source) override;
    // Streamed as "Strings", nothing for no lines.
    void DefineProperties(TFiler* Filer) override;

private:
    TGetLines get_;
    TSetLines set_;
};
