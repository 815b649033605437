// A path written so that a shell takes it as one word, for the commands
// regkit suggests ("regkit update 'my dir/a.h'").
#pragma once

#include <string>
#include <string_view>

// text as it is when every byte is safe in a shell word; else in single
// quotes; else, with a control character in it, in $'...' with C-style
// escapes, so that no line of the output can be forged.
std::string ShellWord(std::string_view text);
// The command that brings path up to date.
std::string UpdateCommand(std::string_view path);
