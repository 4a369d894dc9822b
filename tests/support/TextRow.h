#pragma once
// The row of the many test tables that map one text to the text expected from it.

struct TextRow {
    const char* in;
    const char* out;
};
