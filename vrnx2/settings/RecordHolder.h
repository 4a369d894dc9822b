#pragma once
// A list of entries that each pair a text with an owned heap copy of one record: the way a
// list row or a work list carries its record.

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/MoveElement.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

template <class R>
class RecordHolder {
public:
    struct Entry {
        std::string text;
        std::unique_ptr<R> record;  // null after Free
    };

    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Text(int index) const { return entries_.at(index).text; }
    void SetText(int index, std::string text) { entries_.at(index).text = std::move(text); }
    R* Get(int index) const { return entries_.at(index).record.get(); }
    // Copies the record; the one passed in stays the caller's.
    void Add(std::string text, const R& record) {
        auto copy = std::make_unique<R>(record);
        entries_.push_back(Entry{std::move(text), std::move(copy)});
    }
    void Add(std::string text, std::unique_ptr<R> record) {
        entries_.push_back(Entry{std::move(text), std::move(record)});
    }
    void Delete(int index) { entries_.erase(entries_.begin() + CheckIndex(index)); }
    void Free(int index) { entries_.at(index).record.reset(); }
    void Clear() { entries_.clear(); }
    std::unique_ptr<R> Take(int index) { return std::move(entries_.at(index).record); }
    // The entry at `from` ends up at `to`; both are positions of the list as it is, checked
    // before anything moves.
    void Move(int from, int to) {
        CheckIndex(from);
        CheckIndex(to);
        MoveElement(entries_, static_cast<size_t>(from), static_cast<size_t>(to));
    }
    std::vector<Entry>& Entries() { return entries_; }
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    int CheckIndex(int index, bool allowEnd = false) const {
        if (index < 0 || index > Count() || (!allowEnd && index == Count()))
            throw std::out_of_range("RecordHolder index");
        return index;
    }
    std::vector<Entry> entries_;
};

using PluginHolder = RecordHolder<TPluginRec>;
using DriveHolder = RecordHolder<TCDDriverec>;
using BuilderHolder = RecordHolder<TBuilderRec>;
using ProfileHolder = RecordHolder<TProfileRec>;

inline TPluginRec* GetPluginRec(const PluginHolder& h, int i) {
    return h.Get(i);
}
inline TCDDriverec* GetDriveRec(const DriveHolder& h, int i) {
    return h.Get(i);
}
inline TBuilderRec* GetBuilderRec(const BuilderHolder& h, int i) {
    return h.Get(i);
}
inline TProfileRec* GetProfileRec(const ProfileHolder& h, int i) {
    return h.Get(i);
}

inline void AddPluginRec(PluginHolder& h, std::string text, const TPluginRec& r) {
    h.Add(std::move(text), r);
}
inline void AddDriveRec(DriveHolder& h, std::string text, const TCDDriverec& r) {
    h.Add(std::move(text), r);
}
inline void AddBuilderRec(BuilderHolder& h, std::string text, const TBuilderRec& r) {
    h.Add(std::move(text), r);
}

inline void DeletePluginRec(PluginHolder& h, int i) {
    h.Delete(i);
}
inline void DeleteDriveRec(DriveHolder& h, int i) {
    h.Delete(i);
}
inline void DeleteBuilderRec(BuilderHolder& h, int i) {
    h.Delete(i);
}
inline void FreeProfileRec(ProfileHolder& h, int i) {
    h.Free(i);
}

}  // namespace vrnx2
