#pragma once
// Splits a line into comma-separated fields: double quotes protect separators (and stay in
// the field), an unquoted ";" ends the line, each field is trimmed, and trailing empty
// fields are kept ("a,," gives "a", "", "").

#include <string>
#include <string_view>
#include <vector>

void SplitFields(std::string_view text, std::vector<std::string>& fields);
// The fields joined with ",": the reduced form of a line.
std::string JoinFields(const std::vector<std::string>& fields);
// Appends the fields of `text` joined with ",", as SplitFields then JoinFields would, without
// building the list: the reducer's path for every line.
void AppendJoinedFields(std::string_view text, std::string& out);
