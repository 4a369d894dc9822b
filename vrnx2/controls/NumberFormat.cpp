#include "vrnx2/controls/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace vrnx2 {

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// One section of a pattern, split into what the formatter needs.
struct Section {
    std::string prefix;  // literals before the first placeholder
    std::string suffix;  // literals after the last placeholder
    int intPlaces = 0;   // placeholders before the decimal point
    int intZeros = 0;    // digits always shown before the point (from the leftmost 0)
    int fracPlaces = 0;  // placeholders after the decimal point
    int fracZeros = 0;   // digits always shown after the point (up to the rightmost 0)
    bool hasPoint = false;
    bool thousands = false;
};

std::vector<std::string> SplitSections(std::string_view pattern) {
    std::vector<std::string> sections(1);
    char quote = 0;
    for (char c : pattern) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

Section ParseSection(std::string_view text) {
    Section s;
    bool seenPlaceholder = false;
    bool afterPoint = false;
    int firstIntZero = -1;  // index among integer placeholders
    std::string pending;    // literals seen since the last placeholder
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\'' || c == '"') {
            size_t end = text.find(c, i + 1);
            if (end == std::string_view::npos) end = text.size();
            pending.append(text.substr(i + 1, end - i - 1));
            i = end;
            continue;
        }
        if (c == '0' || c == '#') {
            if (!seenPlaceholder) s.prefix += pending;
            // Literals between placeholders are kept, in order, after the number.
            else
                s.suffix += pending;
            pending.clear();
            seenPlaceholder = true;
            if (afterPoint) {
                ++s.fracPlaces;
                if (c == '0') s.fracZeros = s.fracPlaces;
            } else {
                if (c == '0' && firstIntZero < 0) firstIntZero = s.intPlaces;
                ++s.intPlaces;
            }
            continue;
        }
        if (c == '.' && !s.hasPoint) {
            s.hasPoint = true;
            afterPoint = true;
            if (!seenPlaceholder) {
                s.prefix += pending;
                pending.clear();
                seenPlaceholder = true;
            }
            continue;
        }
        if (c == ',' && !afterPoint) {
            s.thousands = true;
            continue;
        }
        pending += c;
    }
    if (seenPlaceholder)
        s.suffix += pending;
    else
        s.prefix += pending;
    if (firstIntZero >= 0) s.intZeros = s.intPlaces - firstIntZero;
    return s;
}

// Digits and exponent of |value| in shortest round-trip form: value = 0.d1d2... * 10^exp10.
struct Decimal {
    std::string digits;  // no leading zeros; empty for zero
    int pointPos = 0;    // number of digits before the decimal point (may be <= 0 or > size)
};

Decimal ToDecimal(double value) {
    char buf[64];
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    std::string_view sv(buf, static_cast<size_t>(res.ptr - buf));
    size_t e = sv.find('e');
    std::string mantissa(sv.substr(0, e));
    int exponent = std::atoi(std::string(sv.substr(e + 1)).c_str());
    Decimal d;
    for (char c : mantissa)
        if (c != '.') d.digits += c;
    d.pointPos = exponent + 1;
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.pointPos = 0;
    return d;
}

// Rounds to `places` digits after the point, half away from zero; returns integer and
// fraction digit strings (integer part without leading zeros, fraction exactly `places`).
void RoundDecimal(const Decimal& d, int places, std::string& intPart, std::string& fracPart) {
    // All digits up to the kept places, padded with zeros.
    std::string all;
    int keep = d.pointPos + places;  // digits kept counting from the first significant one
    bool roundUp = false;
    if (keep < 0) {
        all.clear();
    } else {
        all = d.digits.substr(
            0, static_cast<size_t>(std::min<int>(keep, static_cast<int>(d.digits.size()))));
        if (keep < static_cast<int>(d.digits.size()))
            roundUp = d.digits[static_cast<size_t>(keep)] >= '5';
        all.append(static_cast<size_t>(keep) - all.size(), '0');
    }
    int pointPos = d.pointPos;
    if (roundUp) {
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[static_cast<size_t>(i)] == '9') all[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++all[static_cast<size_t>(i)];
        } else {
            all.insert(all.begin(), '1');
            ++pointPos;
        }
    }
    // `all` now holds the digits from position pointPos - keep' .. ; rebuild with the point.
    int digitsBeforePoint = pointPos;
    // Left-pad when the number is below 1.
    if (digitsBeforePoint < 0) {
        all.insert(0, static_cast<size_t>(-digitsBeforePoint), '0');
        digitsBeforePoint = 0;
    }
    if (static_cast<int>(all.size()) < digitsBeforePoint + places)
        all.append(static_cast<size_t>(digitsBeforePoint + places) - all.size(), '0');
    intPart = all.substr(0, static_cast<size_t>(digitsBeforePoint));
    fracPart = all.substr(static_cast<size_t>(digitsBeforePoint), static_cast<size_t>(places));
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
}

std::string FormatSection(const Section& s, double value, bool withSign, char point,
                          char thousand) {
    std::string intPart, fracPart;
    RoundDecimal(ToDecimal(value), s.fracPlaces, intPart, fracPart);
    while (static_cast<int>(fracPart.size()) > s.fracZeros && !fracPart.empty() &&
           fracPart.back() == '0')
        fracPart.pop_back();
    if (static_cast<int>(intPart.size()) < s.intZeros)
        intPart.insert(0, static_cast<size_t>(s.intZeros) - intPart.size(), '0');
    if (s.thousands && intPart.size() > 3) {
        std::string grouped;
        size_t lead = intPart.size() % 3;
        for (size_t i = 0; i < intPart.size(); ++i) {
            if (i > 0 && (i - lead) % 3 == 0) grouped += thousand;
            grouped += intPart[i];
        }
        intPart = grouped;
    }
    bool isZero = intPart.find_first_not_of("0,") == std::string::npos &&
                  fracPart.find_first_not_of('0') == std::string::npos;
    std::string out = s.prefix;
    if (withSign && value < 0 && !isZero) out += '-';
    out += intPart;
    if (!fracPart.empty()) {
        out += point;
        out += fracPart;
    }
    out += s.suffix;
    return out;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text, char decimalSeparator) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    std::string s(text.substr(b, e - b));
    if (s.empty()) return std::nullopt;
    if (decimalSeparator != '.') {
        if (s.find('.') != std::string::npos) return std::nullopt;
        for (char& c : s)
            if (c == decimalSeparator) c = '.';
    }
    size_t start = s[0] == '+' ? 1 : 0;
    double value = 0;
    auto res = std::from_chars(s.data() + start, s.data() + s.size(), value);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    // from_chars would take "+-1" after the skipped plus sign.
    if (start == 1 && s.size() > 1 && s[1] == '-') return std::nullopt;
    return value;
}

std::string FormatNumber(std::string_view pattern, double value, char decimalSeparator,
                         char thousandSeparator) {
    if (!std::isfinite(value)) return value != value ? "NAN" : (value < 0 ? "-INF" : "INF");
    std::vector<std::string> texts = SplitSections(pattern);
    const Section first = ParseSection(texts[0]);
    const Section* use = &first;
    Section other;
    bool withSign = true;
    if (value < 0 && texts.size() >= 2 && !texts[1].empty()) {
        other = ParseSection(texts[1]);
        use = &other;
        withSign = false;
    } else if (value == 0 && texts.size() >= 3 && !texts[2].empty()) {
        other = ParseSection(texts[2]);
        use = &other;
    }
    if (use->intPlaces == 0 && use->fracPlaces == 0 && !use->hasPoint) {
        // A pattern without placeholders is shown as its literal text.
        return use->prefix;
    }
    return FormatSection(*use, value, withSign, decimalSeparator, thousandSeparator);
}

}  // namespace vrnx2
