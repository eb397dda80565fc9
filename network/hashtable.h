// Chained hash map from names to values, as used for the signal index of a network.
// The bucket count is fixed at construction; a bucket keeps its entries in insertion
// order and a look-up takes the first entry with the wanted name.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

template <class T> class hashtable {
public:
    static constexpr uint32_t kDefaultBuckets = 1000;

    explicit hashtable(uint32_t buckets = kDefaultBuckets)
        : bucketCount_(buckets == 0 ? 1 : buckets), table_(bucketCount_) {}

    // Sum over the characters of (signed character value) * (position + 100), with
    // 32-bit wrap-around.
    static uint32_t hash(const std::string& name) {
        uint32_t h = 0;
        for (size_t p = 0; p < name.size(); ++p) {
            const auto c = static_cast<int32_t>(static_cast<signed char>(name[p]));
            h += static_cast<uint32_t>(c) * static_cast<uint32_t>(p + 100);
        }
        return h;
    }

    uint32_t bucketOf(const std::string& name) const { return hash(name) % bucketCount_; }

    // Appends the entry at the end of its bucket; an existing entry of the same name
    // stays in front of it and keeps being the one found.
    void insert(const std::string& name, const T& value) {
        table_[bucketOf(name)].emplace_back(name, value);
        ++entries_;
    }

    // The value of the first entry with this name, or null.
    T* find(const std::string& name) {
        for (auto& entry : table_[bucketOf(name)])
            if (entry.first == name) return &entry.second;
        return nullptr;
    }
    const T* find(const std::string& name) const {
        for (const auto& entry : table_[bucketOf(name)])
            if (entry.first == name) return &entry.second;
        return nullptr;
    }

    void clear() {
        for (auto& bucket : table_)
            bucket.clear();
        entries_ = 0;
    }

    uint32_t size() const { return entries_; }
    uint32_t bucketCount() const { return bucketCount_; }
    size_t bucketSize(uint32_t bucket) const { return table_.at(bucket).size(); }

private:
    uint32_t bucketCount_;
    std::vector<std::list<std::pair<std::string, T>>> table_;
    uint32_t entries_ = 0;
};
