#pragma once
// Reordering one element of a list, as the list windows' move and drop actions do.

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <vector>

// The element at `from` ends up at `to`, the others keeping their order; both are positions
// of the vector as it is. Out of range, nothing moves and std::out_of_range is thrown.
template <class T>
void MoveElement(std::vector<T>& v, std::size_t from, std::size_t to) {
    if (from >= v.size() || to >= v.size()) throw std::out_of_range("MoveElement position");
    const auto at = [&v](std::size_t i) { return v.begin() + static_cast<std::ptrdiff_t>(i); };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else if (to < from)
        std::rotate(at(to), at(from), at(from + 1));
}

// Where the element at `index` stands after MoveElement(v, from, to); -1 stays -1.
inline int IndexAfterMove(int index, int from, int to) {
    if (index == from) return to;
    if (from < index && index <= to) return index - 1;
    if (to <= index && index < from) return index + 1;
    return index;
}
