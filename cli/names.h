// File and module names as qlx prints them, and the lines it says on stderr.
// A name is bytes: a file name need not be UTF-8, and a module name read
// from a document may hold control characters.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace qlx::cli {

// text for a terminal: each control character (C0, DEL, and C1 written in
// UTF-8) shown as \xNN (\u00NN for C1), so that no name can move the cursor,
// recolour the terminal or start a line of its own. Other bytes stay.
std::string Shown(std::string_view text);

// "qlx: " and message, Shown, as one line on stderr.
void Say(std::string_view message);

// Puts name into object under key: as it is when it is UTF-8; otherwise with
// U+FFFD for each byte that is not, and its exact bytes under key + "_hex"
// (two lower-case hexadecimal digits a byte), so that nothing of it is lost.
void PutName(nlohmann::ordered_json& object, const std::string& key, std::string_view name);

}  // namespace qlx::cli
