#include "common/SplitFields.h"

#include <array>
#include <cstring>

#include "common/Trim.h"

namespace {

// The bytes the splitter stops at; everything else is passed over by table look-up.
constexpr auto kSpecial = [] {
    std::array<bool, 256> t{};
    t['"'] = t[','] = t[';'] = true;
    return t;
}();

// The one splitting rule behind both forms: calls `field` with each field in order, the
// empty fields that trailing commas stand for included.
template <typename Field>
void ForEachField(std::string_view text, Field&& field) {
    const std::string_view input = TrimView(text);
    const char* const end = input.data() + input.size();
    const char* start = input.data();
    const char* p = start;
    size_t count = 0;
    size_t commas = 0;
    bool comment = false;
    while (p < end) {
        while (p < end && !kSpecial[static_cast<unsigned char>(*p)]) ++p;
        if (p == end) break;
        const char c = *p;
        if (c == '"') {
            // Inside quotes only the closing quote matters.
            const auto* close =
                static_cast<const char*>(std::memchr(p + 1, '"', size_t(end - p - 1)));
            if (!close) break;
            p = close + 1;
            continue;
        }
        if (c == ',' || c == ';') {
            field(TrimView(std::string_view(start, size_t(p - start))));
            ++count;
            start = p + 1;
            if (c == ';') {
                comment = true;
                break;
            }
            ++commas;
        }
        ++p;
    }
    if (!comment) {
        const std::string_view rest = TrimView(std::string_view(start, size_t(end - start)));
        if (!rest.empty()) {
            field(rest);
            ++count;
        }
    }
    for (; count <= commas; ++count) field(std::string_view{});
}

}  // namespace

void SplitFields(std::string_view text, std::vector<std::string>& fields) {
    // Fields are assigned in place rather than rebuilt: a list reused line after line keeps
    // its strings' buffers.
    size_t count = 0;
    ForEachField(text, [&](std::string_view f) {
        if (count == fields.size())
            fields.emplace_back(f);
        else
            fields[count].assign(f.data(), f.size());
        ++count;
    });
    fields.resize(count);
}

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out.push_back(',');
        out += fields[i];
    }
    return out;
}

void AppendJoinedFields(std::string_view text, std::string& out) {
    bool first = true;
    ForEachField(text, [&](std::string_view f) {
        if (!first) out.push_back(',');
        first = false;
        out.append(f);
    });
}
