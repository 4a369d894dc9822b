// A value continued over many lines costs memory in proportion to its length. Counted in
// bytes allocated rather than timed: copying the list so far on every continuation line
// allocates about (lines squared) bytes, which this catches at once without a slow test.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "vrnx2/settings/RegFile.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<size_t> allocated{0};

}  // namespace

void* operator new(size_t size) {
    if (counting.load(std::memory_order_relaxed))
        allocated.fetch_add(size, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {

TEST(RegFileGrowth, AValueContinuedOverManyLinesIsReadInLinearMemory) {
    constexpr int kLines = 20000;
    std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Long]\r\n\"v\"=hex(1):\\\r\n";
    for (int i = 0; i < kLines; ++i) file += "  41,00,\\\r\n";
    file += "  42,00,00,00\r\n";

    std::vector<vrnx2::RegFileOp> ops;
    vrnx2::RegFileError error;
    allocated = 0;
    counting = true;
    bool parsed = vrnx2::ParseRegFile(file, 1252, ops, error);
    counting = false;

    ASSERT_TRUE(parsed) << error.message;
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[1].value.text, std::string(kLines, 'A') + "B");
    EXPECT_LT(allocated.load(), 40 * file.size()) << "bytes allocated for " << file.size();
}

}  // namespace
