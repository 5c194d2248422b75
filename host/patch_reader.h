// Reading a patch file (TOML). Every error is a HostError whose text reads
// "file:line: what is wrong".
#pragma once

#include <string>
#include <string_view>

#include "host/patch.h"

namespace modhost {

Patch readPatchFile(const std::string& path);
// The same from text; `path` names it in errors and gives the folder that
// relative file names are found in.
Patch readPatchText(std::string_view text, const std::string& path);

}  // namespace modhost
