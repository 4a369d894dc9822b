#include "vrnx2/controls/CellKind.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

#include "vrnx2/controls/NumberFormat.h"

namespace vrnx2 {

std::string CellDisplayText(const CellKindData& kind, const std::string& cellText,
                            char decimalSeparator) {
    if (kind.kind != ckText || kind.items.size() < 2 || kind.items[1].text.empty() ||
        cellText.empty())
        return cellText;
    std::optional<double> value = ParseNumber(cellText, decimalSeparator);
    if (!value) return cellText;
    return FormatNumber(kind.items[1].text, *value, decimalSeparator);
}

std::string ButtonCaption(const CellKindData& kind, const std::string& cellText) {
    if (kind.items.empty()) return std::string();
    if (kind.items[0].text == kUseCellData) return cellText;
    return kind.items[0].text;
}

CheckState CheckStateOf(const CellKindData& kind, const std::string& cellText) {
    for (const CellItem& item : kind.items)
        if (item.text == cellText) return CheckState{true, item.value};
    return CheckState{};
}

std::string ToggledCheckText(const CellKindData& kind, const std::string& cellText) {
    CheckState state = CheckStateOf(kind, cellText);
    if (state.found && state.value != 1) {
        for (const CellItem& item : kind.items)
            if (item.value == 1) return item.text;
        return cellText;
    }
    return kind.items.empty() ? cellText : kind.items[0].text;
}

namespace {

// The text's start along one axis of the cell, from `low` to `high`: the first of the three
// flags set decides (start, centre, end); none leaves it at `low`.
int PlaceOnAxis(int low, int high, int size, int margin, bool start, bool centre, bool end) {
    if (start) return low + margin;
    if (centre) return high - low > size ? low + (high - low - size) / 2 : low;
    if (end) return high - margin - size;
    return low;
}

}  // namespace

GridPoint PlaceCellText(const GridRect& cell, int textWidth, int textHeight, uint8_t alignment,
                        int margin) {
    return GridPoint{PlaceOnAxis(cell.left, cell.right, textWidth, margin, alignment & caLeft,
                                 alignment & caHCenter, alignment & caRight),
                     PlaceOnAxis(cell.top, cell.bottom, textHeight, margin, alignment & caTop,
                                 alignment & caVCenter, alignment & caBottom)};
}

GridRect DropDownListRect(const GridRect& editor, int dropDownWidth, int listHeight) {
    int width = std::max(dropDownWidth, editor.Width());
    return GridRect{editor.right - width, editor.bottom, editor.right, editor.bottom + listHeight};
}

namespace {

// ---- stored form ----

void WriteText(std::string& out, const std::string& text) {
    out += '\'';
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
}

struct Token {
    enum Kind { Integer, Text, Boolean } kind = Integer;
    int64_t number = 0;
    std::string text;
};

class TokenReader {
public:
    explicit TokenReader(std::string_view text) : text_(text) {}

    // Splits the whole text; false with a message on a malformed token.
    bool Tokenize(std::string* error) {
        size_t i = 0;
        while (true) {
            while (i < text_.size() && static_cast<unsigned char>(text_[i]) <= 0x20) ++i;
            if (i >= text_.size()) return true;
            char c = text_[i];
            Token t;
            if (c == '\'') {
                t.kind = Token::Text;
                ++i;
                while (true) {
                    if (i >= text_.size()) return Fail(error, "unterminated text");
                    if (text_[i] == '\'') {
                        if (i + 1 < text_.size() && text_[i + 1] == '\'') {
                            t.text += '\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    t.text += text_[i++];
                }
            } else if (c == '-' || (c >= '0' && c <= '9')) {
                size_t start = i++;
                while (i < text_.size() && text_[i] >= '0' && text_[i] <= '9') ++i;
                auto res = std::from_chars(text_.data() + start, text_.data() + i, t.number);
                if (res.ec != std::errc() || res.ptr != text_.data() + i)
                    return Fail(error,
                                "bad number '" + std::string(text_.substr(start, i - start)) + "'");
            } else {
                size_t start = i;
                while (i < text_.size() && static_cast<unsigned char>(text_[i]) > 0x20) ++i;
                std::string word(text_.substr(start, i - start));
                for (char& ch : word)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                if (word != "true" && word != "false")
                    return Fail(error,
                                "unexpected '" + std::string(text_.substr(start, i - start)) + "'");
                t.kind = Token::Boolean;
                t.number = word == "true";
            }
            tokens_.push_back(std::move(t));
        }
    }

    bool AtEnd() const { return pos_ >= tokens_.size(); }

    bool Integer(int64_t low, int64_t high, int64_t& out, const char* what, std::string* error) {
        if (AtEnd()) return Fail(error, std::string("missing ") + what);
        const Token& t = tokens_[pos_];
        if (t.kind != Token::Integer) return Fail(error, std::string(what) + " is not a number");
        if (t.number < low || t.number > high)
            return Fail(error, std::string(what) + " out of range: " + std::to_string(t.number));
        out = t.number;
        ++pos_;
        return true;
    }
    bool Text(std::string& out, const char* what, std::string* error) {
        if (AtEnd()) return Fail(error, std::string("missing ") + what);
        const Token& t = tokens_[pos_];
        if (t.kind != Token::Text) return Fail(error, std::string(what) + " is not a text");
        out = t.text;
        ++pos_;
        return true;
    }
    bool Boolean(bool& out, const char* what, std::string* error) {
        if (AtEnd()) return Fail(error, std::string("missing ") + what);
        const Token& t = tokens_[pos_];
        if (t.kind != Token::Boolean) return Fail(error, std::string(what) + " is not True/False");
        out = t.number != 0;
        ++pos_;
        return true;
    }
    size_t Remaining() const { return tokens_.size() - pos_; }

private:
    static bool Fail(std::string* error, std::string message) {
        if (error) *error = std::move(message);
        return false;
    }
    std::string_view text_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
};

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();

// Reads records until the tokens run out; `readOne` reads one record or fails.
template <class Record, class ReadOne>
std::optional<std::vector<Record>> ReadRecords(std::string_view text, std::string* error,
                                               ReadOne readOne) {
    TokenReader r(text);
    if (!r.Tokenize(error)) return std::nullopt;
    std::vector<Record> records;
    while (!r.AtEnd()) {
        Record record;
        if (!readOne(r, record)) return std::nullopt;
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

std::string WriteCellData(const std::vector<StoredCell>& cells) {
    std::string out;
    for (const StoredCell& c : cells) {
        out += std::to_string(c.col) + ' ' + std::to_string(c.row) + ' ';
        WriteText(out, c.text);
        out += '\n';
    }
    return out;
}

std::optional<std::vector<StoredCell>> ReadCellData(std::string_view text, std::string* error) {
    return ReadRecords<StoredCell>(text, error, [error](TokenReader& r, StoredCell& c) {
        int64_t col = 0, row = 0;
        if (!r.Integer(0, kInt32Max, col, "column", error) ||
            !r.Integer(0, kInt32Max, row, "row", error) || !r.Text(c.text, "cell text", error))
            return false;
        c.col = static_cast<int32_t>(col);
        c.row = static_cast<int32_t>(row);
        return true;
    });
}

std::string WriteCellKinds(const std::vector<CellKindData>& kinds) {
    std::string out;
    for (const CellKindData& k : kinds) {
        out += std::to_string(k.kind) + ' ' + std::to_string(k.fixedAlignment) + ' ' +
               std::to_string(k.cellAlignment) + ' ' + std::to_string(k.items.size());
        for (const CellItem& item : k.items) {
            out += ' ';
            WriteText(out, item.text);
            if (k.kind == ckCheck) out += ' ' + std::to_string(item.value);
        }
        out += ' ' + std::to_string(k.dropDownWidth) + ' ' + std::to_string(k.margin) + ' ' +
               std::to_string(k.maxLength) + (k.editable ? " True\n" : " False\n");
    }
    return out;
}

std::optional<std::vector<CellKindData>> ReadCellKinds(std::string_view text, std::string* error) {
    return ReadRecords<CellKindData>(text, error, [error](TokenReader& r, CellKindData& k) {
        int64_t kind = 0, fixedAlign = 0, cellAlign = 0, count = 0, width = 0, margin = 0,
                maxLength = 0;
        if (!r.Integer(0, ckCheck, kind, "kind", error) ||
            !r.Integer(0, 255, fixedAlign, "fixed alignment", error) ||
            !r.Integer(0, 255, cellAlign, "cell alignment", error) ||
            // Each item takes at least one token: a count beyond them is a broken text.
            !r.Integer(0, static_cast<int64_t>(r.Remaining()), count, "item count", error))
            return false;
        k.kind = static_cast<uint8_t>(kind);
        k.fixedAlignment = static_cast<uint8_t>(fixedAlign);
        k.cellAlignment = static_cast<uint8_t>(cellAlign);
        for (int64_t i = 0; i < count; ++i) {
            CellItem item;
            if (!r.Text(item.text, "item text", error)) return false;
            if (k.kind == ckCheck) {
                int64_t value = 0;
                if (!r.Integer(kInt32Min, kInt32Max, value, "item value", error)) return false;
                item.value = static_cast<int32_t>(value);
            }
            k.items.push_back(std::move(item));
        }
        if (!r.Integer(kInt32Min, kInt32Max, width, "drop-down width", error) ||
            !r.Integer(-128, 127, margin, "margin", error) ||
            !r.Integer(kInt32Min, kInt32Max, maxLength, "max length", error) ||
            !r.Boolean(k.editable, "editable", error))
            return false;
        k.dropDownWidth = static_cast<int32_t>(width);
        k.margin = static_cast<int8_t>(margin);
        k.maxLength = static_cast<int32_t>(maxLength);
        return true;
    });
}

}  // namespace vrnx2
