// An ordered, 0-based list of 8-bit strings; duplicates allowed.
#pragma once

#include <string>
#include <vector>

namespace quarnel {

class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> items) : items_(items) {}

    int Count() const { return static_cast<int>(items_.size()); }
    // Both raise EStringListError "List index out of bounds (%d)".
    const std::string& operator[](int index) const;
    std::string& operator[](int index);

    void Add(std::string item) { items_.push_back(std::move(item)); }
    void Delete(int index);
    void Clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    bool operator==(const TStringList&) const = default;

private:
    void Check(int index) const;
    std::vector<std::string> items_;
};

}  // namespace quarnel
