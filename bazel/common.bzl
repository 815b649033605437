"""What every regkit target is compiled with (the Bazel side of CMakeLists.txt)."""

# The project's version; CMakeLists.txt holds the same number, and CI checks
# that the programs of both builds print the same.
REGKIT_VERSION = "1.0.0"

# Bazel's default toolchain passes -std=c++0x before these.
REGKIT_COPTS = [
    "-std=c++20",
    "-Wall",
    "-Wextra",
    "-Wpedantic",
]
