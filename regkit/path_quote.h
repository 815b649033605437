// How regkit writes a path: as it is, or, when it holds a control
// character, a backslash or a double quote, in double quotes with C-style
// escapes as git quotes paths, so that no name can forge a line of the
// output.
#pragma once

#include <string>

// path as the output shows it.
std::string QuotePath(const std::string& path);
// Whether a diff can name path so that patch takes it for that file: not
// with a space, at which patch may end the name (even when it is quoted,
// where patch reads no quotes).
bool DiffCanName(const std::string& path);
