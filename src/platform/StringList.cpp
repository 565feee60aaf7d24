#include "platform/StringList.h"

#include "platform/Exceptions.h"

namespace quarnel {

void TStringList::Check(int index) const {
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStringList::operator[](int index) const {
    Check(index);
    return items_[static_cast<size_t>(index)];
}

std::string& TStringList::operator[](int index) {
    Check(index);
    return items_[static_cast<size_t>(index)];
}

void TStringList::Delete(int index) {
    Check(index);
    items_.erase(items_.begin() + index);
}

}  // namespace quarnel
