#include "platform/ui/PublishedRows.h"

namespace published::detail {

void CannotCarry(const std::string& className, std::string_view name) {
    throw EPropertyError(className + " has no standard property " + std::string(name));
}

} // namespace published::detail
